#include "capture/views/CaptureOverlayPanelWidget.h"

#include <limits>

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QVBoxLayout>

#include "capture/CaptureOverlayGeometry.h"
#include "capture/CaptureRouterController.h"
#include "capture/views/CaptureOverlayView.h"
#include "platform/display/Screens.h"
#include "platform/linux/display/QtMouseDownMonitor.h"
#include "platform/linux/display/QtPanelStyle.h"
#include "platform/linux/display/QtScreenGeometry.h"
#include "platform/linux/display/QtWindow.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "shell/OwnWindowKeyboardGuard.h"

namespace qm {

namespace {
constexpr const char* kUpdateCapturePanelSize = "UpdateCapturePanelSize";
constexpr double kDistantPast = -std::numeric_limits<double>::infinity();
}  // namespace

CaptureOverlayPanelWidget::CaptureOverlayPanelWidget(MainLoop& mainLoop, const Clock& clock,
                                                     CaptureRouterController& router,
                                                     NotificationCenter& center, const Screens& screens,
                                                     const UserDefaults& defaults,
                                                     OwnWindowKeyboardGuard& guard)
    : mainLoop_(mainLoop), clock_(clock), router_(router), center_(center), screens_(screens), guard_(guard),
      ignoreOutsideClicksUntil_(kDistantPast)
{
    setObjectName(QStringLiteral("QuillmarkerCaptureOverlay"));
    QtPanelStyle::apply(*this, QtPanelStyle::Activation::activating, QtPanelStyle::Clicks::received);
    setGeometry(QtScreenGeometry::fromScreen(Rect(100, 100, CaptureOverlayGeometry::panelWidth, 110))
                    .toAlignedRect());
    setWindowOpacity(0);

    auto* content = new QVBoxLayout(this);
    content->setContentsMargins(0, 0, 0, 0);
    // The panel is 340 wide whatever its content asks for; long texts wrap or are cut.
    content->setSizeConstraint(QLayout::SetNoConstraint);
    view_ = new CaptureOverlayView(mainLoop, router, center, defaults, this);
    content->addWidget(view_);

    window_ = std::make_unique<QtWindow>(*this, center);
    guard_.registerEditableWindow(*window_);

    // The size request may come from any thread; the panel is the main thread's.
    sizeObserver_ = center_.addObserver(kUpdateCapturePanelSize, nullptr,
                                        [this, watch = alive_.watch()](const Notification&) {
                                            if (mainLoop_.isMainThread()) {
                                                if (watch) {
                                                    handleSizeUpdate();
                                                }
                                                return;
                                            }
                                            mainLoop_.post([this, watch] {
                                                if (watch) {
                                                    handleSizeUpdate();
                                                }
                                            });
                                        });
}

CaptureOverlayPanelWidget::~CaptureOverlayPanelWidget()
{
    stopOutsideClickMonitoring();
    center_.removeObserver(sizeObserver_);
    guard_.unregisterEditableWindow(*window_);
}

void CaptureOverlayPanelWidget::update(const std::string& targetName)
{
    view_->setTargetName(targetName);
    handleSizeUpdate();
}

Rect CaptureOverlayPanelWidget::screenFrame() const
{
    return QtScreenGeometry::toScreen(QRectF(geometry()));
}

void CaptureOverlayPanelWidget::handleSizeUpdate()
{
    if (QLayout* content = view_->layout()) {
        content->activate();
    }
    const double width = CaptureOverlayGeometry::panelWidth;
    const double fitting = view_->hasHeightForWidth() ? view_->heightForWidth(static_cast<int>(width))
                                                      : view_->sizeHint().height();
    const Rect frame = CaptureOverlayGeometry::frame(currentCaretRect_, fitting, screenFrame(),
                                                     screens_.screens(), screens_.mainScreen());
    isProgrammaticPositioning_ = true;
    setGeometry(QtScreenGeometry::fromScreen(frame).toAlignedRect());
    isProgrammaticPositioning_ = false;
}

void CaptureOverlayPanelWidget::show(const Rect& caret)
{
    ++hideGeneration_;
    currentCaretRect_ = CaptureOverlayGeometry::caretOnScreen(caret, screens_.screens());
    handleSizeUpdate();
    ignoreOutsideClicksUntil_ = clock_.now() + CaptureOverlayGeometry::outsideClickGrace;
    QtPanelStyle::setIgnoresMouseEvents(*this, false);
    QWidget::show();
    raise();
    activateWindow();
    stopOutsideClickMonitoring();
    startOutsideClickMonitoring();
    if (alpha_ < 1.0) {
        animateAlpha(1.0, fadeInDuration, nullptr);
    }
    // Once the show has settled: take the keyboard again, in case the
    // application that had it took it back.
    mainLoop_.postAfter(refocusDelay, alive_.guard([this] {
        if (router_.isCaptureModeActive()) {
            raise();
            activateWindow();
        }
    }));
}

void CaptureOverlayPanelWidget::hide()
{
    const std::uint64_t generation = ++hideGeneration_;
    stopOutsideClickMonitoring();
    QtPanelStyle::setIgnoresMouseEvents(*this, true);
    if (alpha_ <= 0) {
        QWidget::hide();
        return;
    }
    animateAlpha(0.0, fadeOutDuration, [this, generation] {
        if (hideGeneration_ == generation) {
            QWidget::hide();
        }
    });
}

void CaptureOverlayPanelWidget::animateAlpha(double target, double seconds, std::function<void()> completion)
{
    const std::uint64_t generation = ++animationGeneration_;
    alpha_ = target;
    if (animation_) {
        animation_->stop();
    }
    auto* animation = new QPropertyAnimation(this, "windowOpacity", this);
    animation->setDuration(static_cast<int>(seconds * 1000));
    animation->setStartValue(windowOpacity());
    animation->setEndValue(target);
    animation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    // The end is the main loop's, so it keeps the loop's time and order.
    mainLoop_.postAfter(seconds, alive_.guard([this, target, generation, completion = std::move(completion)] {
        if (animationGeneration_ == generation) {
            if (animation_) {
                animation_->stop();
            }
            setWindowOpacity(target);
        }
        if (completion) {
            completion();
        }
    }));
}

void CaptureOverlayPanelWidget::startOutsideClickMonitoring()
{
    localMouseMonitor_ = std::make_unique<QtMouseDownMonitor>(
        QtMouseDownMonitor::Scope::local,
        [this, watch = alive_.watch()](const QtMouseDownMonitor::Event& event) {
            if (watch) {
                handleMouseDown(false, event.window, event.location);
            }
        });
    globalMouseMonitor_ = std::make_unique<QtMouseDownMonitor>(
        QtMouseDownMonitor::Scope::global,
        [this, watch = alive_.watch()](const QtMouseDownMonitor::Event& event) {
            if (watch) {
                handleMouseDown(true, event.window, event.location);
            }
        });
}

void CaptureOverlayPanelWidget::stopOutsideClickMonitoring()
{
    localMouseMonitor_.reset();
    globalMouseMonitor_.reset();
}

void CaptureOverlayPanelWidget::handleMouseDown(bool isGlobal, const void* window, Point location)
{
    const CaptureOverlayGeometry::Click click{
        .captureModeActive = router_.isCaptureModeActive(),
        .panelVisible = isVisible(),
        .panelAlpha = alpha_,
        .now = clock_.now(),
        .ignoreOutsideClicksUntil = ignoreOutsideClicksUntil_,
        .isGlobal = isGlobal,
        .inPanelWindow = window == static_cast<const void*>(this),
        .location = location,
        .panelFrame = screenFrame(),
    };
    if (!CaptureOverlayGeometry::shouldDismiss(click)) {
        return;
    }
    if (isGlobal) {
        // Another application's click: cancel once its delivery is over.
        mainLoop_.post(alive_.guard([this] { router_.cancelCapture(); }));
    } else {
        router_.cancelCapture();
    }
}

void CaptureOverlayPanelWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        router_.cancelCapture();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CaptureOverlayPanelWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    // The HUD material, approximated: dark, slightly see-through.
    painter.fillPath(shape, QColor(30, 30, 32, 235));
    painter.setPen(QPen(QColor(128, 128, 128, 51), 1));
    painter.drawPath(shape);
}

}  // namespace qm
