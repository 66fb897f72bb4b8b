#include "EventTapRig.h"

#include <chrono>
#include <thread>

#include "base/Text.h"
#include "capture/CaptureNotifications.h"
#include "platform/sim/accessibility/SimTextFieldSpec.h"
#include "shell/ShellNotifications.h"

namespace qm::test {

namespace {

SimTextField addLineField(const SimApplication& app, const std::string& title)
{
    SimElement window = app.addWindow(title, Rect(0, 25, 800, 600));
    SimTextFieldSpec spec;
    spec.kind = SimTextKind::singleLine;
    spec.frame = Rect(100, 100, 400, 22);
    SimTextField field = window.addTextField(spec);
    field.focus();
    return field;
}

const std::vector<std::string> kRecordedNames{
    CaptureNotifications::triggerAIQuickActions,    CaptureNotifications::triggerManualSuggestions,
    CaptureNotifications::commitAIPrompt,           CaptureNotifications::cancelAIPrompt,
    CaptureNotifications::deleteAIPromptChar,       CaptureNotifications::cycleAIActionLeft,
    CaptureNotifications::cycleAIActionRight,       CaptureNotifications::appendAIPromptChar,
    CaptureNotifications::tabPlaceholderPressed,    CaptureNotifications::togglePerAppMute,
    CaptureNotifications::escapePlaceholderPressed, ShellNotifications::showHUDMessage,
    CaptureNotifications::hideSuggestionsOverlay,   CaptureNotifications::presentCaptureFailure,
};

}  // namespace

EventTapRig::EventTapRig()
    : editor(desktop.addApplication(editorId, "Editor")),
      terminal(desktop.addApplication(terminalId, "Terminal")),
      excluded(desktop.addApplication(excludedId, "Vault")), field(addLineField(editor, "Draft"))
{
    addLineField(terminal, "shell");
    addLineField(excluded, "Vault");
    editor.activate();

    AppComposition::Options options;
    options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
    options.backgroundThreads = 2;
    options.isOwnEditableWindowKey = [this] { return ownWindowKey.load(); };
    // The firewall reads the excluded applications when it is built.
    AppComposition& app =
        stage.compose(stage.bundle(), std::move(options), "event-tap", [](DatabaseManager& seeding) {
            EXPECT_TRUE(seeding.addExclusion(excludedId, "app", "test"));
        });
    router = &app.captureRouter();
    manager = &app.eventTapManager();

    for (const auto& name : kRecordedNames) {
        tokens_.push_back(center.addObserver(name, nullptr, [this](const Notification& note) {
            std::lock_guard lock(notesMutex_);
            notes_.push_back(note);
        }));
    }
    manager->setDelegate(&delegate);
    loop.runUntilIdle();
}

EventTapRig::~EventTapRig()
{
    destroyApp();
    for (const auto& token : tokens_) {
        center.removeObserver(token);
    }
    loop.runUntilIdle();
}

void EventTapRig::destroyApp()
{
    if (manager) {
        manager->setDelegate(nullptr);
    }
    manager = nullptr;
    router = nullptr;
    stage.app.reset();
}

void EventTapRig::startTap()
{
    manager->start();
    ASSERT_TRUE(waitFor([&] { return manager->eventTap() != nullptr; }));
    settle();
}

bool EventTapRig::waitFor(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        loop.runUntilIdle();
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return done();
}

void EventTapRig::settle()
{
    // Tap-queue work posts to the main loop and back; a few rounds reach the end.
    for (int round = 0; round < 6; ++round) {
        manager->processingQueue().sync([] {});
        loop.runUntilIdle();
    }
}

bool EventTapRig::waitForCaptureMode()
{
    const bool opened = waitFor(
        [&] { return router->isCaptureModeActiveThreadSafe() && !router->isCaptureTransitionThreadSafe(); });
    settle();
    return opened;
}

void EventTapRig::sendKey(std::uint16_t keyCode, std::u16string_view text, EventFlags flags)
{
    for (const bool down : {true, false}) {
        KeyEvent event = KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, keyCode, down);
        event.setUnicodeString(text);
        event.setFlags(flags);
        desktop.keyboard().send(event);
    }
}

std::vector<std::string> EventTapRig::deliveredKeyDowns(bool includeOurs)
{
    std::vector<std::string> keys;
    for (const auto& delivery : desktop.eventTaps().deliveries()) {
        const KeyEvent& event = delivery.event;
        if (event.type() != KeyEventType::keyDown || (event.isOurs() && !includeOurs)) {
            continue;
        }
        std::string key = event.unicodeString().empty() || event.keyCode() == 51
                              ? "#" + std::to_string(event.keyCode())
                              : event.text();
        keys.push_back(event.isOurs() ? "ours " + key : key);
    }
    return keys;
}

std::vector<std::string> EventTapRig::postedNames() const
{
    std::lock_guard lock(notesMutex_);
    std::vector<std::string> names;
    for (const auto& note : notes_) {
        names.push_back(note.name);
    }
    return names;
}

std::vector<Notification> EventTapRig::posted(const std::string& name) const
{
    std::lock_guard lock(notesMutex_);
    std::vector<Notification> found;
    for (const auto& note : notes_) {
        if (note.name == name) {
            found.push_back(note);
        }
    }
    return found;
}

void EventTapRig::clearRecords()
{
    {
        std::lock_guard lock(notesMutex_);
        notes_.clear();
    }
    delegate.calls.clear();
    delegate.updates.clear();
    desktop.eventTaps().clearDeliveries();
}

}  // namespace qm::test
