#include "platform/workspace/Alert.h"
#include "platform/sim/workspace/SimAlertPresenter.h"
#include "platform/workspace/AlertPresenter.h"

#include <stdexcept>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

Alert failureAlert()
{
    Alert alert;
    alert.alertStyle = Alert::Style::warning;
    alert.messageText = "//timer didn't save";
    alert.informativeText = "Notifications access was denied.";
    alert.addButton("Open Settings");
    alert.addButton("Not now");
    return alert;
}

class AlertTest : public testing::Test {
protected:
    SimAlertPresenter presenter;
};

TEST_F(AlertTest, ScriptedAnswersPressButtonsByResponseOrTitle)
{
    presenter.answerNext(Alert::alertSecondButtonReturn);
    presenter.answerNextWithButton("Open Settings");
    presenter.answerNextWithButton("Not now");

    EXPECT_EQ(failureAlert().runModal(presenter), 1001);
    EXPECT_EQ(failureAlert().runModal(presenter), Alert::alertFirstButtonReturn);
    EXPECT_EQ(failureAlert().runModal(presenter), Alert::buttonReturn(1));
    EXPECT_EQ(presenter.unusedAnswers(), 0u);

    const auto shown = presenter.shownAlerts();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], failureAlert());
}

TEST_F(AlertTest, AnAlertWithoutButtonsShowsOK)
{
    presenter.answerNext(Alert::alertFirstButtonReturn);
    Alert notice;
    notice.alertStyle = Alert::Style::informational;
    notice.messageText = "Quillmarker paused";
    EXPECT_EQ(notice.runModal(presenter), Alert::alertFirstButtonReturn);
    EXPECT_EQ(presenter.shownAlerts().at(0).buttons, std::vector<std::string>{"OK"});
}

TEST_F(AlertTest, AnAlertTheScriptCannotAnswerFailsAndNamesIt)
{
    struct Case {
        const char* what;
        std::function<void()> script;
    };
    const Case cases[] = {
        {"no answer", [] {}},
        {"a button the alert lacks", [&] { presenter.answerNextWithButton("Later"); }},
        {"a response past the last button", [&] { presenter.answerNext(Alert::alertThirdButtonReturn); }},
        {"a response below the first button", [&] { presenter.answerNext(1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.script();
        try {
            failureAlert().runModal(presenter);
            ADD_FAILURE() << "the alert was answered";
        } catch (const std::logic_error& error) {
            EXPECT_THAT(error.what(), testing::HasSubstr("//timer didn't save"));
        }
    }
}

TEST_F(AlertTest, AnAlertOffTheMainThreadIsAFault)
{
    SimClock clock;
    SimMainLoop loop(clock);
    SimAlertPresenter onLoop(loop);
    onLoop.answerNext(Alert::alertFirstButtonReturn);
    onLoop.answerNext(Alert::alertFirstButtonReturn);
    bool threw = false;
    std::thread worker([&] {
        try {
            onLoop.runModal(failureAlert());
        } catch (const std::logic_error&) {
            threw = true;
        }
    });
    worker.join();
    EXPECT_TRUE(threw);
    EXPECT_EQ(onLoop.runModal(failureAlert()), Alert::alertFirstButtonReturn) << "the test's thread is main";
}

}  // namespace
}  // namespace qm
