#include "onboarding/SandboxViewModel.h"

#include "base/Text.h"
#include "capture/CaptureTargetHints.h"
#include "capture/PassiveTriggerBuffer.h"
#include "onboarding/OnboardingCatalog.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

namespace {

std::string withoutLastCharacters(const std::string& text, std::size_t count)
{
    PassiveTriggerBuffer characters(text::toUtf16(text));
    characters.removeLastCharacters(count);
    return characters.utf8();
}

bool endsWithTerminator(const std::string& text)
{
    return !text.empty() && (text.back() == ' ' || text.back() == '\n');
}

}  // namespace

SandboxViewModel::SandboxViewModel(MainLoop& mainLoop, const Clock& clock, std::optional<Calendar> calendar)
    : mainLoop_(mainLoop), clock_(clock), calendar_(std::move(calendar))
{
}

void SandboxViewModel::announce()
{
    if (changed_) {
        changed_();
    }
}

void SandboxViewModel::editText(std::string text)
{
    if (text == text_) {
        return;
    }
    text_ = std::move(text);
    // A view that echoes the text back while the trigger is being cut must not
    // start a second evaluation of the same keystroke.
    if (!evaluating_ && !captureActive_ && endsWithTerminator(text_)) {
        evaluateInput();
    }
    announce();
}

void SandboxViewModel::commitEditor()
{
    if (captureActive_) {
        return;
    }
    evaluateInput();
    // The subtitle promises Return as well as Space: Return after the bare
    // word opens the popup as the space would have.
    if (!captureActive_) {
        if (const auto bare = matcher_.matchBare(text_)) {
            openCapture(bare->command, bare->stripLength, "");
        }
    }
    announce();
}

void SandboxViewModel::evaluateInput()
{
    if (captureActive_ || evaluating_) {
        return;
    }
    evaluating_ = true;
    if (const auto found = matcher_.match(text_)) {
        openCapture(found->command, found->stripLength, "");
    }
    evaluating_ = false;
}

void SandboxViewModel::tapChip(const std::string& command, const std::string& seed)
{
    if (captureActive_) {
        return;
    }
    text_.clear();
    openCapture(command, 0, seed);
    announce();
}

std::string SandboxViewModel::capturePlaceholder() const
{
    return CaptureTargetHints::placeholder(captureCommand_, false);
}

void SandboxViewModel::editCaptureText(std::string text)
{
    if (text == captureText_) {
        return;
    }
    captureText_ = std::move(text);
    announce();
}

void SandboxViewModel::openCapture(const std::string& command, std::size_t stripLength,
                                   const std::string& seed)
{
    text_ = withoutLastCharacters(text_, stripLength);
    gate_.isLocked = false;
    captureText_ = seed;
    captureCommand_ = command;
    captureActive_ = true;
    // The field takes the keyboard once the popup is on screen.
    mainLoop_.post(alive_.guard([this] {
        if (captureActive_) {
            captureFocused_ = true;
            announce();
        }
    }));
    announce();
}

void SandboxViewModel::submitCapture()
{
    if (gate_.isLocked) {
        return;
    }
    const std::string command = captureCommand_;
    const double now = clock_.now();
    const auto line = makeFeedEntry(command, captureText_, now, &SandboxViewModel::destinationName,
                                    calendar_ ? *calendar_ : Calendar::current());
    if (!line) {
        return;
    }
    gate_.isLocked = true;
    captureFocused_ = false;
    captureActive_ = false;
    captureCommand_.clear();
    captureText_.clear();
    logs_.insert(logs_.begin(), *line);
    ++testCount_;
    hudMessage_ = "Simulated Capture: " + destinationName(command) + "!";
    showHud_ = true;
    // Every routed capture hides the HUD 2.5 s after itself, whatever came since.
    mainLoop_.postAfter(hudDuration, alive_.guard([this] {
        showHud_ = false;
        announce();
    }));
    announce();
}

void SandboxViewModel::cancelCapture()
{
    captureActive_ = false;
    captureText_.clear();
    captureCommand_.clear();
    captureFocused_ = false;
    gate_.isLocked = false;
    announce();
}

std::string SandboxViewModel::destinationName(const std::string& command)
{
    for (const auto& row : OnboardingCatalog::sandboxTriggers()) {
        if (row.command == command) {
            return row.destination;
        }
    }
    return command;
}

std::optional<std::string> SandboxViewModel::makeFeedEntry(const std::string& command,
                                                           const std::string& message, double timestamp,
                                                           const DestinationName& destination,
                                                           const Calendar& calendar)
{
    const std::string trimmed = text::trimmed(message);
    if (command.empty() || trimmed.empty()) {
        return std::nullopt;
    }
    const std::string name = destination(command);
    if (name.empty()) {
        return std::nullopt;
    }
    return "[" + calendar.format(timestamp, "HH:mm:ss") + "] Routed to " + name + ": \"" + trimmed + "\"";
}

}  // namespace qm
