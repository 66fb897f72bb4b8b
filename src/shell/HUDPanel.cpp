#include "shell/HUDPanel.h"

#include "platform/display/Screens.h"

namespace qm {

HUDPanel::HUDPanel(MainLoop& mainLoop, const Screens& screens, std::unique_ptr<HUDWindow> window)
    : mainLoop_(mainLoop), screens_(screens), window_(std::move(window))
{
    window_->setFrame(Rect(0, 0, initialWidth, initialHeight));
    window_->setAlpha(0);
}

void HUDPanel::show(const std::string& message, const std::optional<std::string>& systemImage)
{
    fadeTimer_.invalidate();
    const std::int64_t generation = ++displayGeneration_;
    window_->setContent(HUDView{message, systemImage});

    const Size size = HUDView::panelSize(message);
    Rect frame = window_->frame();
    frame.size = size;
    if (const auto main = screens_.mainScreen()) {
        frame.origin = HUDView::panelOrigin(main->visibleFrame, size);
    }
    window_->setFrame(frame);

    window_->setAlpha(1);
    window_->orderFront();
    // The Timer member dies with the panel, so it never fires for a panel that is gone.
    fadeTimer_ =
        Timer::scheduledTimer(mainLoop_, displayDuration, false, [this, generation] { fade(generation); });
}

void HUDPanel::fade(std::int64_t generation)
{
    if (displayGeneration_ != generation) {
        return;
    }
    window_->animateAlpha(0, fadeDuration, alive_.guard([this, generation] {
        if (displayGeneration_ == generation) {
            window_->orderOut();
        }
    }));
}

}  // namespace qm
