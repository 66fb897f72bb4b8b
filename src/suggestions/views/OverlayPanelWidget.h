#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QWidget>

#include "platform/display/Rect.h"
#include "platform/linux/display/QtWindowFade.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "suggestions/AIPromptServices.h"
#include "suggestions/OverlayPanel.h"
#include "suggestions/PanelPositionOffsets.h"
#include "suggestions/SuggestionViewModel.h"

namespace qm {

class MainLoop;
class Screens;
class SuggestionViewWidget;
class UserDefaults;
class Workspace;

// The suggestion panel on screen: a frameless window above the others that
// never takes the keyboard or the activation, on a dark translucent rounded
// background (radius 12) with a faint amber outline, holding the chips or the
// AI prompt card (SuggestionViewWidget). It fits itself to its content
// (OverlayPanelPlacement::fittedSize), keeping its top edge, and shows beside
// the caret (OverlayPanelPlacement::showOrigin), or where the user last
// dragged it in the frontmost application ("perAppPositionOffsets").
//
// Fades: in over 0.15 s, out over 0.1 s, both ending on the injected main
// loop; a fade-out orders the panel out only if no show or hide came after
// it (the hide generation). "PopupOrientationChanged" refits the panel and
// "ResetPanelPosition" forgets the frontmost application's offset and moves
// the panel back to its default place.
//
// Unlike a panel that ignores the mouse, this one takes clicks: on a chip
// (picking it), on the toolbar buttons and quick actions, and on its
// background to drag it, all without activating this program.
//
// GUI thread; the application calls it on its main thread, which must be
// this one.
class OverlayPanelWidget final : public QWidget, public OverlayPanel {
public:
    static constexpr double fadeInDuration = 0.15;
    static constexpr double fadeOutDuration = 0.1;
    static constexpr double cornerRadius = 12;

    // Every reference must outlive the panel. `center` carries the prompt's
    // key notifications and the panel's own; `workspace` names the frontmost
    // application; `ai` answers the prompt.
    OverlayPanelWidget(MainLoop& mainLoop, NotificationCenter& center, UserDefaults& defaults,
                       const Screens& screens, const Workspace& workspace, AIPromptServices ai);
    ~OverlayPanelWidget() override;

    void setSuggestions(std::vector<SuggestionModel> suggestions, int activeIndex,
                        SelectionHandler selectionHandler) override;
    void show(const Rect& caret) override;
    void hide() override;

    // Fits the window to its content, keeping its top edge.
    void updatePanelSize();
    // A move of the panel: remembered relative to the caret for the
    // frontmost application, unless the panel moved itself.
    void panelDidMove();
    void resetPositionNotificationReceived();

    SuggestionViewModel& model() { return model_; }
    SuggestionViewWidget& view() { return *view_; }
    std::uint64_t hideGeneration() const { return fade_.hideGeneration(); }
    bool isProgrammaticPositioning() const { return isProgrammaticPositioning_; }
    // The caret of the last show, in screen coordinates.
    const std::optional<Rect>& currentCaretRect() const { return currentCaretRect_; }
    // Screen coordinates (bottom-left origin).
    Rect screenFrame() const;
    // The alpha the panel has or is fading to.
    double alpha() const { return fade_.alpha(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setScreenFrame(const Rect& frame);
    std::optional<std::string> frontmostBundleId() const;
    void observe(const char* name, std::function<void()> handler);

    MainLoop& mainLoop_;
    NotificationCenter& center_;
    UserDefaults& defaults_;
    const Screens& screens_;
    const Workspace& workspace_;
    PanelPositionOffsets offsets_;
    SuggestionViewModel model_;
    SuggestionViewWidget* view_ = nullptr;
    QtWindowFade fade_;

    bool isProgrammaticPositioning_ = false;
    std::optional<Rect> currentCaretRect_;
    std::optional<QPointF> dragStart_;
    QPoint frameAtDragStart_;
    std::vector<NotificationCenter::ObserverToken> observers_;
    AliveToken alive_;
};

}  // namespace qm
