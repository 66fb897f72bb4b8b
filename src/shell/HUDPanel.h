#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/runtime/AliveToken.h"
#include "platform/runtime/Timer.h"
#include "shell/HUDWindow.h"

namespace qm {

class MainLoop;
class Screens;

// The transient message pill near the bottom centre of the main screen:
// capture receipts, copy confirmations, open-loop reminders and every
// "ShowHUDMessage" request end here. A message stays fully visible for 1.5 s,
// then fades out over 0.4 s; a newer message replaces an older one at once
// and starts the time-out again. Each show takes a new generation: an older
// message's timer or fade that still runs finds a newer generation and does
// nothing, so a message shown during a fade keeps the panel up.
//
// Main thread only.
class HUDPanel {
public:
    static constexpr double displayDuration = 1.5;
    static constexpr double fadeDuration = 0.4;
    static constexpr double initialWidth = 240;
    static constexpr double initialHeight = 50;

    // `mainLoop` and `screens` must outlive the panel, which owns `window`.
    // The window starts invisible (alpha 0).
    HUDPanel(MainLoop& mainLoop, const Screens& screens, std::unique_ptr<HUDWindow> window);
    HUDPanel(const HUDPanel&) = delete;
    HUDPanel& operator=(const HUDPanel&) = delete;

    void show(const std::string& message, const std::optional<std::string>& systemImage);

    std::int64_t displayGeneration() const { return displayGeneration_; }
    HUDWindow& window() { return *window_; }

private:
    void fade(std::int64_t generation);

    MainLoop& mainLoop_;
    const Screens& screens_;
    std::unique_ptr<HUDWindow> window_;
    Timer fadeTimer_;
    std::int64_t displayGeneration_ = 0;
    AliveToken alive_;
};

}  // namespace qm
