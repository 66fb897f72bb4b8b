#include "capture/views/CaptureOverlayPanelWidget.h"

#include <limits>

#include <QKeyEvent>
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
      fade_(*this, mainLoop), ignoreOutsideClicksUntil_(kDistantPast)
{
    setObjectName(QStringLiteral("QuillmarkerCaptureOverlay"));
    QtPanelStyle::apply(*this, QtPanelStyle::Activation::activating, QtPanelStyle::Clicks::received);
    setGeometry(QtScreenGeometry::fromScreen(Rect(100, 100, CaptureOverlayGeometry::panelWidth, 110))
                    .toAlignedRect());

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
    currentCaretRect_ = CaptureOverlayGeometry::caretOnScreen(caret, screens_.screens());
    handleSizeUpdate();
    ignoreOutsideClicksUntil_ = clock_.now() + CaptureOverlayGeometry::outsideClickGrace;
    QtPanelStyle::setIgnoresMouseEvents(*this, false);
    QWidget::show();
    raise();
    activateWindow();
    stopOutsideClickMonitoring();
    startOutsideClickMonitoring();
    fade_.fadeIn(fadeInDuration);
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
    stopOutsideClickMonitoring();
    QtPanelStyle::setIgnoresMouseEvents(*this, true);
    fade_.fadeOutAndHide(fadeOutDuration);
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
        .panelAlpha = fade_.alpha(),
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
    // The HUD material, approximated: dark, slightly see-through.
    QtPanelStyle::paintBody(*this, cornerRadius, QColor(30, 30, 32, 235), QColor(128, 128, 128, 51));
}

}  // namespace qm
