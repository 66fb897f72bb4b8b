// The tap's callback keeps the key path's rule in the composed program: it
// wakes no other thread, waits for no lock another thread holds, starts no
// thread and writes nothing. What must reach another thread (the tap queue
// after a pause, the trigger removal, the privacy firewall's refresh) waits
// until the key has been answered (EventTapFactory::performAfterEvent).
#include <atomic>
#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ThreadSyscallWatch.h"
#include "app/AppComposition.h"
#include "capture/EventTapManager.h"
#include "platform/keyboard/EventTapFactory.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/sim/accessibility/SimTextFieldSpec.h"
#include "platform/sim/keyboard/KeyboardDriver.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "store/DatabaseManager.h"
#include "store/PrivacyFirewall.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

// The stand-in desktop's taps, with every callback of ours watched while it
// runs (and nothing after it: the after-event blocks are not watched).
class WatchedTapFactory final : public EventTapFactory {
public:
    explicit WatchedTapFactory(EventTapFactory& inner) : inner_(inner) {}

    std::shared_ptr<EventTap> createTap(EventTap::Location location, EventTap::Placement placement,
                                        EventTap::Options options, EventMask eventsOfInterest,
                                        EventTap::Callback callback) override
    {
        return inner_.createTap(location, placement, options, eventsOfInterest,
                                [callback = std::move(callback)](const KeyEvent& event) {
                                    const ThreadSyscallWatch::Watching watching;
                                    return callback(event);
                                });
    }

    void performAfterEvent(std::function<void()> block) override
    {
        inner_.performAfterEvent(std::move(block));
    }

private:
    EventTapFactory& inner_;
};

constexpr const char* kEditorId = "com.example.editor";
constexpr const char* kExcludedId = "com.example.vault";

// The app composed on the stand-in desktop with the real tap manager, capture
// router and privacy firewall (its rules database in a temporary folder), an
// editor, a terminal and an excluded application each with a focused field,
// the editor in front.
class KeyPathRig : public ::testing::Test {
public:
    KeyPathRig()
        : editor(stage.platform.desktop.addApplication(kEditorId, "Editor")),
          terminal(stage.platform.desktop.addApplication("com.apple.Terminal", "Terminal")),
          excluded(stage.platform.desktop.addApplication(kExcludedId, "Vault")),
          factory(stage.platform.desktop.eventTaps())
    {
        addField(terminal);
        addField(excluded);
        addField(editor);
        editor.activate();
        PlatformBundle bundle = stage.bundle();
        bundle.eventTaps = factory;
        AppComposition::Options options = StandInApp::quietOptions();
        options.backgroundThreads = 2;
        app = &stage.compose(std::move(bundle), std::move(options), "seeded", [](DatabaseManager& seeding) {
            EXPECT_TRUE(seeding.addExclusion(kExcludedId, "app", "test"));
        });
        app->eventTapManager().start();
        EXPECT_TRUE(stage.waitForTap());
        // As in a program that has run a while, the background queue has a
        // worker, asleep: work handed to it wakes that thread.
        std::atomic<bool> ran{false};
        app->backgroundQueue().async([&ran] { ran = true; });
        EXPECT_TRUE(waitFor([&ran] { return ran.load(); }));
    }

    ~KeyPathRig() override
    {
        app->eventTapManager().stop();
        stage.app.reset();
        stage.platform.loop.runUntilIdle();
    }

    static void addField(const SimApplication& application)
    {
        SimTextFieldSpec spec;
        spec.kind = SimTextKind::singleLine;
        spec.frame = Rect(100, 100, 400, 22);
        application.addWindow("Draft", Rect(0, 25, 800, 600)).addTextField(spec).focus();
    }

    // The calls our callbacks made while `keys` ran on a watched thread, the
    // main thread meanwhile waiting for work on its loop (so that a post to
    // it wakes it).
    std::vector<std::string> callsWhile(const std::function<void()>& keys)
    {
        std::vector<std::string> calls;
        SimMainLoop& loop = stage.platform.loop;
        const auto body = [&] {
            keys();
            loop.post([] {});  // outside the callbacks: ends the wait below
        };
        const auto meanwhile = [&loop](const std::atomic<bool>& done) {
            while (!done.load()) {
                loop.runUntil([&done] { return done.load(); }, 0.05);
            }
        };
        const bool watched = ThreadSyscallWatch::runWatched(body, meanwhile, calls);
        if (!watched) {
            ADD_FAILURE() << "this kernel cannot watch a thread's system calls (seccomp user notification)";
        }
        return calls;
    }

    bool waitFor(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            stage.platform.loop.runUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }

    StandInApp stage;
    SimApplication editor;
    SimApplication terminal;
    SimApplication excluded;
    WatchedTapFactory factory;
    AppComposition* app = nullptr;
};

struct KeyPathCase {
    const char* name;
    // What happens before the keys: the pause, another application in front.
    std::function<void(KeyPathRig&)> before;
    std::string typed;
    // A chord pressed after the text, if any.
    std::string chord;
};

void PrintTo(const KeyPathCase& keys, std::ostream* out)
{
    *out << keys.name;
}

class KeyPathRuleTest : public KeyPathRig, public ::testing::WithParamInterface<KeyPathCase> {};

// The pause a person makes between two bursts of typing: the firewall's cache
// of excluded applications is stale after it, the tap queue asleep.
void longPause(StandInApp& stage)
{
    stage.platform.clock.advance(PrivacyFirewall::cacheTTL + 20);
}

const KeyPathCase kCases[]{
    {"PlainKeysWithTheTapQueueAsleep", [](KeyPathRig&) {}, "hello, wörld", ""},
    {"FirstKeyAfterAPauseWithTheExclusionsStale", [](KeyPathRig& rig) { longPause(rig.stage); }, "a", ""},
    {"FirstKeyInAnotherApplicationWithTheExclusionsStale",
     [](KeyPathRig& rig) {
         rig.terminal.activate();
         longPause(rig.stage);
     },
     "ls", ""},
    {"KeyCompletingATrigger", [](KeyPathRig&) {}, "//note ", ""},
    {"ShortcutForSuggestions", [](KeyPathRig&) {}, "see ", "ctrl+space"},
    {"KeysInAnExcludedApplication", [](KeyPathRig& rig) { rig.excluded.activate(); }, "secret", ""},
};

TEST_P(KeyPathRuleTest, CallbackWakesNoThreadAndWaitsForNoLock)
{
    GetParam().before(*this);
    stage.platform.loop.runUntilIdle();
    const std::vector<std::string> calls = callsWhile([&] {
        stage.platform.desktop.keyboard().type(GetParam().typed);
        if (!GetParam().chord.empty()) {
            stage.platform.desktop.keyboard().press(GetParam().chord);
        }
    });
    EXPECT_THAT(calls, ::testing::IsEmpty())
        << "system calls inside the tap callback: " << fmt::format("{}", fmt::join(calls, ", "));
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyPathRuleTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The refresh a stale cache needs still comes, started once the key has been
// answered: an application excluded during the pause is excluded soon after
// the first key.
TEST_F(KeyPathRig, FirstKeyAfterAPauseRefreshesTheExclusions)
{
    PrivacyFirewall& firewall = app->privacyFirewall();
    const std::uint64_t before = firewall.exclusionsVersion();
    ASSERT_TRUE(app->database().addExclusion(kEditorId, "app", "test"));
    longPause(stage);

    stage.platform.desktop.keyboard().type("a");

    EXPECT_TRUE(waitFor([&] { return firewall.exclusionsVersion() != before; }));
    EXPECT_TRUE(firewall.isAppExcluded(kEditorId));
}

}  // namespace
}  // namespace qm::test
