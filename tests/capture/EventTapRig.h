#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "capture/EventTapManagerDelegate.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimAlertPresenter.h"
#include "platform/storage/UserDefaults.h"
#include "support/StandInApp.h"

namespace qm::test {

// Records the delegate calls, in order, as short words: "update", "clear",
// "select 2", "cycle", "commit". Main thread only.
class RecordingTapDelegate final : public EventTapManagerDelegate {
public:
    struct Update {
        std::string context;
        std::string prefix;
        std::string fullBuffer;
    };

    void eventTapManagerDidUpdateContext(EventTapManager&, const std::string& context,
                                         const std::string& prefix, const std::string& fullBuffer) override
    {
        calls.push_back("update");
        updates.push_back({context, prefix, fullBuffer});
    }
    void eventTapManagerDidClearSuggestions(EventTapManager&) override { calls.push_back("clear"); }
    void eventTapManagerDidSelectSuggestionIndex(EventTapManager&, int index) override
    {
        calls.push_back("select " + std::to_string(index));
    }
    void eventTapManagerDidCycleSuggestion(EventTapManager&) override { calls.push_back("cycle"); }
    void eventTapManagerDidCommitActiveSuggestion(EventTapManager&) override { calls.push_back("commit"); }

    std::vector<std::string> calls;
    std::vector<Update> updates;
};

// The event tap of the app composed on the stand-in desktop with a manual main
// loop: an editor in front with a focused one-line field, a terminal, an
// excluded application, the real capture router and the real privacy firewall
// over a rules database in a temporary folder, and a recording delegate.
// Notifications are recorded by name.
class EventTapRig : public ::testing::Test {
public:
    static constexpr const char* editorId = "com.example.editor";
    static constexpr const char* terminalId = "com.apple.Terminal";
    static constexpr const char* excludedId = "com.example.vault";

    EventTapRig();
    ~EventTapRig() override;

    // Starts the tap and waits for its thread to install it.
    void startTap();
    // Takes the app down, its tap manager first.
    void destroyApp();
    // Pumps the main loop until `done` holds (five seconds of real time at most).
    bool waitFor(const std::function<bool()>& done);
    // Runs the main loop and the tap queue until neither has work left. The
    // trigger removal runs on the router's own queue and is not waited for.
    void settle();
    // After a completed trigger: waits until the removal has opened capture
    // mode and the transition has ended, then settles.
    bool waitForCaptureMode();

    // Keys from the stand-in keyboard to the frontmost application.
    void type(std::string_view text) { desktop.keyboard().type(text); }
    void press(std::string_view chord) { desktop.keyboard().press(chord); }
    // A raw key-down (and key-up) of `keyCode` carrying `text`.
    void sendKey(std::uint16_t keyCode, std::u16string_view text, EventFlags flags = 0);

    // The key-downs that reached an application and were not posted by us,
    // as their text (or "#<code>" for a key without text).
    std::vector<std::string> deliveredKeyDowns(bool includeOurs = false);
    std::vector<std::string> postedNames() const;
    std::vector<Notification> posted(const std::string& name) const;
    void clearRecords();

    StandInApp stage;
    SimClock& clock = stage.platform.clock;
    SimMainLoop& loop = stage.platform.loop;
    StandInDesktop& desktop = stage.platform.desktop;
    UserDefaults& defaults = stage.platform.defaults;
    NotificationCenter& center = stage.platform.notificationCenter;
    SimAlertPresenter& alerts = stage.platform.alerts;
    SimApplication editor;
    SimApplication terminal;
    SimApplication excluded;
    SimTextField field;
    std::atomic<bool> ownWindowKey{false};
    RecordingTapDelegate delegate;
    CaptureRouterController* router = nullptr;
    EventTapManager* manager = nullptr;

private:
    mutable std::mutex notesMutex_;
    std::vector<Notification> notes_;
    std::vector<NotificationCenter::ObserverToken> tokens_;
};

}  // namespace qm::test
