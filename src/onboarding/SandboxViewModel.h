#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Calendar.h"
#include "onboarding/SandboxSubmitGate.h"
#include "onboarding/SandboxTriggerMatcher.h"
#include "platform/runtime/AliveToken.h"

namespace qm {

class Clock;
class MainLoop;

// The practice step of onboarding: a mock editor in which "//" and a command
// word and a space (or a line break, or Return after the bare word) open a
// simulated capture popup; ten example chips that open it with a text; the
// feed of routed lines, newest first; the count of practice captures; and the
// in-window HUD that confirms each one for 2.5 s. Nothing leaves the window:
// no real capture target is touched.
//
// Main thread only. Every change is announced through the change callback
// after it is complete; the deferred focus request and HUD hide hold a guard,
// so a model that is gone is never touched.
class SandboxViewModel {
public:
    using DestinationName = std::function<std::string(const std::string& command)>;

    static constexpr double hudDuration = 2.5;

    // `calendar`: the time zone of the feed's times (the user's by default).
    SandboxViewModel(MainLoop& mainLoop, const Clock& clock, std::optional<Calendar> calendar = std::nullopt);
    SandboxViewModel(const SandboxViewModel&) = delete;
    SandboxViewModel& operator=(const SandboxViewModel&) = delete;

    void setOnChange(std::function<void()> changed) { changed_ = std::move(changed); }

    // The editor.
    const std::string& text() const { return text_; }
    // The editor's text changed (typed, pasted): a trigger at its end opens
    // the popup, unless one is open already.
    void editText(std::string text);
    // Return in the editor: the trigger at its end, or the bare "//" and
    // command word at its end, opens the popup.
    void commitEditor();
    // A chip: empties the editor and opens the popup with the example; does
    // nothing while a popup is open.
    void tapChip(const std::string& command, const std::string& seed);

    // The popup.
    bool isCaptureActive() const { return captureActive_; }
    const std::string& captureCommand() const { return captureCommand_; }
    const std::string& captureText() const { return captureText_; }
    bool isCaptureFocused() const { return captureFocused_; }
    std::string captureDestination() const { return destinationName(captureCommand_); }
    std::string capturePlaceholder() const;
    void editCaptureText(std::string text);
    // Cuts `stripLength` characters from the end of the editor (all of them
    // when it holds fewer), then opens the popup for `command` with `seed`.
    void openCapture(const std::string& command, std::size_t stripLength, const std::string& seed);
    // Return in the popup: routes the trimmed line to the feed, or does
    // nothing when there is no line to route or it was routed already.
    void submitCapture();
    // Esc in the popup: closes it, routing nothing; the cut trigger stays cut.
    void cancelCapture();

    // What the practice routed.
    const std::vector<std::string>& logs() const { return logs_; }
    int testCount() const { return testCount_; }
    const std::string& hudMessage() const { return hudMessage_; }
    bool showsHud() const { return showHud_; }

    // The destination of `command` in the sandbox's table; a word not in it
    // stands for itself.
    static std::string destinationName(const std::string& command);
    // "[HH:mm:ss] Routed to <destination>: \"<message>\"", the message trimmed;
    // nothing when the command, the trimmed message or the destination is empty.
    static std::optional<std::string> makeFeedEntry(const std::string& command, const std::string& message,
                                                    double timestamp, const DestinationName& destination,
                                                    const Calendar& calendar);

private:
    void evaluateInput();
    void announce();

    MainLoop& mainLoop_;
    const Clock& clock_;
    std::optional<Calendar> calendar_;
    SandboxTriggerMatcher matcher_;
    std::function<void()> changed_;

    std::string text_;
    bool evaluating_ = false;
    bool captureActive_ = false;
    std::string captureCommand_;
    std::string captureText_;
    bool captureFocused_ = false;
    SandboxSubmitGate gate_;
    std::vector<std::string> logs_;
    int testCount_ = 0;
    std::string hudMessage_;
    bool showHud_ = false;
    AliveToken alive_;
};

}  // namespace qm
