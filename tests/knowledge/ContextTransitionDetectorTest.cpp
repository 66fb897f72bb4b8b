#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>

#include "base/Log.h"
#include "knowledge/ContextTransitionDetector.h"
#include "platform/notifications/UserInfo.h"
#include "platform/sim/accessibility/SimElement.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimApplication.h"
#include "platform/workspace/Workspace.h"

namespace qm::test {
namespace {

using Transition = std::tuple<std::string, std::string, bool>;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ContextTransitionDetectorTest : public ::testing::Test {
protected:
    ContextTransitionDetectorTest()
    {
        detector.setOnContextTransition([this](const std::string& app, const std::string& title, bool idle) {
            seen.emplace_back(app, title, idle);
        });
    }

    SimClock clock;
    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    SimApplication editor = desktop.addApplication("com.example.editor", "Editor");
    SimElement editorWindow = editor.addWindow("atlas — main.cpp");
    SimApplication mail = desktop.addApplication("com.example.mail", "Mail");
    SimElement mailWindow = mail.addWindow("Inbox");
    ContextTransitionDetector detector{desktop.workspace(), desktop.accessibility(), loop, clock};
    std::vector<Transition> seen;
};

TEST_F(ContextTransitionDetectorTest, SwitchReportsTheNameAtOnceAndTheTitleAtTheNextTick)
{
    Log::Capture log;
    editor.activate();
    loop.runUntilIdle();
    EXPECT_THAT(seen, ElementsAre(Transition{"com.example.editor", "Editor", false}));
    EXPECT_TRUE(log.contains(
        "⚡ Context Transition Detected: App=com.example.editor, Title=Editor, IdleResume=false"));

    loop.advance(ContextTransitionDetector::pollInterval);
    EXPECT_THAT(seen, ElementsAre(Transition{"com.example.editor", "Editor", false},
                                  Transition{"com.example.editor", "atlas — main.cpp", false}));

    // Unchanged: nothing; a new title within the same application: the next tick.
    loop.advance(10);
    EXPECT_EQ(seen.size(), 2u);
    editorWindow.setTitle("atlas — notes.md");
    loop.advance(ContextTransitionDetector::pollInterval);
    EXPECT_EQ(seen.back(), (Transition{"com.example.editor", "atlas — notes.md", false}));
    EXPECT_EQ(seen.size(), 3u);

    mail.activate();
    loop.advance(ContextTransitionDetector::pollInterval);
    EXPECT_THAT(std::vector(seen.begin() + 3, seen.end()),
                ElementsAre(Transition{"com.example.mail", "Mail", false},
                            Transition{"com.example.mail", "Inbox", false}));
}

TEST_F(ContextTransitionDetectorTest, FirstTickReportsTheFrontmostApplication)
{
    editor.activate();
    seen.clear();
    loop.runUntilIdle();
    seen.clear();
    ContextTransitionDetector fresh{desktop.workspace(), desktop.accessibility(), loop, clock};
    std::vector<Transition> freshSeen;
    fresh.setOnContextTransition([&](const std::string& app, const std::string& title, bool idle) {
        freshSeen.emplace_back(app, title, idle);
    });
    loop.advance(ContextTransitionDetector::pollInterval);
    EXPECT_THAT(freshSeen, ElementsAre(Transition{"com.example.editor", "atlas — main.cpp", false}));
}

TEST_F(ContextTransitionDetectorTest, WithoutAccessibilityTitlesAreEmpty)
{
    desktop.trust().setTrusted(false);
    editor.activate();
    loop.advance(ContextTransitionDetector::pollInterval);
    editorWindow.setTitle("another title");
    loop.advance(3 * ContextTransitionDetector::pollInterval);
    EXPECT_THAT(seen, ElementsAre(Transition{"com.example.editor", "Editor", false},
                                  Transition{"com.example.editor", "", false}));
}

TEST_F(ContextTransitionDetectorTest, IdleResumeAfterMoreThanTenMinutes)
{
    // Its window is titled like the application, so the poll adds nothing.
    auto calc = desktop.addApplication("com.example.calc", "Calc");
    calc.addWindow("Calc");
    const auto activateAgain = [&] {
        // The activation of the application already in front, delivered again.
        desktop.workspace().notificationCenter().post(
            std::string(Workspace::didActivateApplicationNotification), nullptr,
            UserInfo{{std::string(Workspace::applicationUserInfoKey),
                      UserInfo::Value::opaque(calc.runningApplication())}});
    };

    calc.activate();
    loop.runUntilIdle();
    loop.advance(ContextTransitionDetector::idleThreshold);
    mail.activate();
    loop.runUntilIdle();
    calc.activate();
    loop.runUntilIdle();
    loop.advance(ContextTransitionDetector::idleThreshold + 1);
    activateAgain();
    loop.advance(ContextTransitionDetector::idleThreshold);
    activateAgain();  // unchanged, not idle: nothing
    loop.advance(ContextTransitionDetector::idleThreshold + 1);
    detector.recordActivity();
    mail.activate();
    loop.runUntilIdle();

    EXPECT_THAT(seen, ElementsAre(Transition{"com.example.calc", "Calc", false},
                                  Transition{"com.example.mail", "Mail", false},  // exactly 600 s
                                  Transition{"com.example.calc", "Calc", false},
                                  Transition{"com.example.calc", "Calc", true},
                                  Transition{"com.example.mail", "Mail", false}));
}

TEST_F(ContextTransitionDetectorTest, ApplicationsWithoutBundleIdentifierAreIgnored)
{
    auto helper = desktop.addApplication(std::nullopt, "Helper");
    helper.addWindow("helper window");
    helper.activate();
    loop.advance(3 * ContextTransitionDetector::pollInterval);
    EXPECT_THAT(seen, IsEmpty());
}

TEST_F(ContextTransitionDetectorTest, WithoutSubscriberTransitionsAreStillLoggedAndRemembered)
{
    detector.setOnContextTransition({});
    Log::Capture log;
    editor.activate();
    loop.advance(ContextTransitionDetector::pollInterval);
    EXPECT_EQ(log.count("⚡ Context Transition Detected"), 2u);
    loop.advance(5 * ContextTransitionDetector::pollInterval);
    EXPECT_EQ(log.count("⚡ Context Transition Detected"), 2u);
}

TEST_F(ContextTransitionDetectorTest, NothingFiresAfterDestruction)
{
    {
        ContextTransitionDetector shortLived{desktop.workspace(), desktop.accessibility(), loop, clock};
        shortLived.setOnContextTransition([&](const std::string&, const std::string&, bool) { FAIL(); });
    }
    editor.activate();
    loop.advance(3 * ContextTransitionDetector::pollInterval);
    EXPECT_FALSE(seen.empty());
}

}  // namespace
}  // namespace qm::test
