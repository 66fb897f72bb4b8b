#include "suggestions/views/OverlayPanelWidget.h"

#include <fmt/format.h>

#include <QMouseEvent>
#include <QVBoxLayout>

#include "base/Log.h"
#include "platform/display/Screens.h"
#include "platform/linux/display/QtPanelStyle.h"
#include "platform/linux/display/QtScreenGeometry.h"
#include "platform/linux/display/QtWindowFade.h"
#include "platform/runtime/MainLoop.h"
#include "platform/workspace/Workspace.h"
#include "suggestions/OverlayPanelPlacement.h"
#include "suggestions/SuggestionNotifications.h"
#include "suggestions/SuggestionShortcutText.h"
#include "suggestions/views/SuggestionViewWidget.h"

namespace qm {

OverlayPanelWidget::OverlayPanelWidget(MainLoop& mainLoop, NotificationCenter& center, UserDefaults& defaults,
                                       const Screens& screens, const Workspace& workspace,
                                       AIPromptServices ai)
    : mainLoop_(mainLoop), center_(center), defaults_(defaults), screens_(screens), workspace_(workspace),
      offsets_(defaults), model_(mainLoop, center, defaults, std::move(ai)), fade_(*this, mainLoop)
{
    setObjectName(QStringLiteral("QuillmarkerSuggestionPanel"));
    QtPanelStyle::apply(*this, QtPanelStyle::Activation::nonActivating, QtPanelStyle::Clicks::received);
    setScreenFrame(OverlayPanelPlacement::initialFrame);

    auto* content = new QVBoxLayout(this);
    content->setContentsMargins(0, 0, 0, 0);
    // The panel sets its own size from the content's (updatePanelSize).
    content->setSizeConstraint(QLayout::SetNoConstraint);
    view_ = new SuggestionViewWidget(model_, this);
    content->addWidget(view_);
    model_.setChangeHandler([this] { view_->render(); });
    view_->setContentHandler([this] { updatePanelSize(); });

    observe(SuggestionNotifications::popupOrientationChanged, [this] { updatePanelSize(); });
    observe(SuggestionNotifications::resetPanelPosition, [this] { resetPositionNotificationReceived(); });
}

OverlayPanelWidget::~OverlayPanelWidget()
{
    for (const auto& token : observers_) {
        center_.removeObserver(token);
    }
    model_.setChangeHandler(nullptr);
}

void OverlayPanelWidget::observe(const char* name, std::function<void()> handler)
{
    observers_.push_back(center_.addObserver(
        name, nullptr, [this, watch = alive_.watch(), handler = std::move(handler)](const Notification&) {
            if (mainLoop_.isMainThread()) {
                handler();
                return;
            }
            mainLoop_.post([watch, handler] {
                if (watch) {
                    handler();
                }
            });
        }));
}

Rect OverlayPanelWidget::screenFrame() const
{
    return QtScreenGeometry::toScreen(QRectF(geometry()));
}

void OverlayPanelWidget::setScreenFrame(const Rect& frame)
{
    setGeometry(QtScreenGeometry::fromScreen(frame).toAlignedRect());
}

std::optional<std::string> OverlayPanelWidget::frontmostBundleId() const
{
    const auto application = workspace_.frontmostApplication();
    if (!application) {
        return std::nullopt;
    }
    return application->bundleIdentifier;
}

void OverlayPanelWidget::setSuggestions(std::vector<SuggestionModel> suggestions, int activeIndex,
                                        SelectionHandler selectionHandler)
{
    // Rendering the new list refits the panel.
    model_.setContent(std::move(suggestions), activeIndex, SuggestionShortcutText::modifierText(defaults_),
                      std::move(selectionHandler));
}

void OverlayPanelWidget::updatePanelSize()
{
    isProgrammaticPositioning_ = true;
    if (QLayout* content = view_->layout()) {
        content->activate();
    }
    const QSize hint = view_->sizeHint();
    const int fittingHeight =
        view_->hasHeightForWidth() ? view_->heightForWidth(hint.width()) : hint.height();
    const Size size = OverlayPanelPlacement::fittedSize(
        {static_cast<double>(hint.width()), static_cast<double>(fittingHeight)}, model_.isHorizontal());
    setScreenFrame(OverlayPanelPlacement::keepingTopEdge(screenFrame(), size));
    isProgrammaticPositioning_ = false;
}

void OverlayPanelWidget::show(const Rect& caret)
{
    const auto screens = screens_.screens();
    const Rect caretRect = OverlayPanelPlacement::caretOnScreen(caret, screens);
    currentCaretRect_ = caretRect;
    isProgrammaticPositioning_ = true;

    const Rect frame = screenFrame();
    const auto bundleId = frontmostBundleId();
    const auto savedOffset = bundleId ? offsets_.offsetFor(*bundleId) : std::nullopt;
    const auto placement =
        OverlayPanelPlacement::showOrigin(caretRect, frame.size, savedOffset, screens, screens_.mainScreen());

    Log::print(
        fmt::format("🔍 PredictiveOverlay: Caret CarbonRect: (x: {:.1f}, y: {:.1f}, w: {:.1f}, h: {:.1f})",
                    caret.x(), caret.y(), caret.width(), caret.height()));
    Log::print(
        fmt::format("🔍 PredictiveOverlay: Caret AppKitRect: (x: {:.1f}, y: {:.1f}, w: {:.1f}, h: {:.1f})",
                    caretRect.x(), caretRect.y(), caretRect.width(), caretRect.height()));
    Log::print(fmt::format(
        "🔍 PredictiveOverlay: Final calculated panel origin: (x: {:.1f}, y: {:.1f}), hasCustomOffset: {}",
        placement.origin.x, placement.origin.y, placement.hasCustomOffset ? 1 : 0));

    setScreenFrame(Rect(placement.origin, frame.size));
    QtPanelStyle::setIgnoresMouseEvents(*this, false);
    QWidget::show();
    raise();
    fade_.fadeIn(fadeInDuration);
    isProgrammaticPositioning_ = false;
}

void OverlayPanelWidget::hide()
{
    QtPanelStyle::setIgnoresMouseEvents(*this, true);
    dragStart_.reset();
    fade_.fadeOutAndHide(fadeOutDuration);
}

void OverlayPanelWidget::panelDidMove()
{
    if (isProgrammaticPositioning_ || !currentCaretRect_) {
        return;
    }
    const auto bundleId = frontmostBundleId();
    if (!bundleId) {
        return;
    }
    const Point offset = OverlayPanelPlacement::offsetFromCaret(screenFrame().origin, *currentCaretRect_);
    offsets_.save(*bundleId, offset);
    Log::print(fmt::format("🔍 Saved custom offset relative to caret for {}: (x: {:.1f}, y: {:.1f})",
                           *bundleId, offset.x, offset.y));
}

void OverlayPanelWidget::resetPositionNotificationReceived()
{
    const auto bundleId = frontmostBundleId();
    if (!bundleId) {
        return;
    }
    offsets_.clear(*bundleId);
    Log::print(fmt::format("🔍 Cleared custom offset for {}", *bundleId));
    if (!currentCaretRect_) {
        return;
    }
    isProgrammaticPositioning_ = true;
    const Rect frame = screenFrame();
    const Point origin = OverlayPanelPlacement::resetOrigin(*currentCaretRect_, frame.size,
                                                            screens_.screens(), screens_.mainScreen());
    setScreenFrame(Rect(origin, frame.size));
    isProgrammaticPositioning_ = false;
}

void OverlayPanelWidget::paintEvent(QPaintEvent*)
{
    // The heads-up material, approximated: dark and slightly see-through.
    QtPanelStyle::paintBody(*this, cornerRadius, QColor(30, 30, 32, 235),
                            QColor::fromRgbF(0.95f, 0.76f, 0.41f, 0.15f));
}

void OverlayPanelWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The background moves the panel; the chips and buttons take their own clicks.
    dragStart_ = event->globalPosition();
    frameAtDragStart_ = pos();
    event->accept();
}

void OverlayPanelWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragStart_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    move(frameAtDragStart_ + (event->globalPosition() - *dragStart_).toPoint());
    panelDidMove();
    event->accept();
}

void OverlayPanelWidget::mouseReleaseEvent(QMouseEvent* event)
{
    dragStart_.reset();
    QWidget::mouseReleaseEvent(event);
}

}  // namespace qm
