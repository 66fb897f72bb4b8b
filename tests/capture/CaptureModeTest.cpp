#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Log.h"
#include "capture/CaptureModeRig.h"
#include "capture/CaptureNotifications.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using Call = SimCaptureOverlayPanel::Call;
using Options = std::vector<PickerOption>;

const PickerOption kGeneral{"C1", "#general"};
const PickerOption kRandom{"C2", "#random"};
const PickerOption kAda{"U1", "Ada Lovelace"};

class CaptureModeTest : public CaptureModeRig {
protected:
    CaptureModeTest()
    {
        token = center.addObserver(CaptureNotifications::updateCapturePanelSize, nullptr,
                                   [this](const Notification& notification) {
                                       EXPECT_EQ(notification.object, nullptr);
                                       EXPECT_TRUE(notification.userInfo.empty());
                                       ++panelSizeUpdates;
                                   });
    }
    ~CaptureModeTest() override { center.removeObserver(token); }

    // Waits until the picker load reported (or capture mode ended because of it).
    void waitForPickerLoad(int loads = 1)
    {
        ASSERT_TRUE(waitFor([&] { return pick->loads() >= loads; }));
        drainBackground();
    }

    NotificationCenter::ObserverToken token;
    int panelSizeUpdates = 0;
};

TEST_F(CaptureModeTest, TriggerOpensTheOverlayAtTheCaretForTheHost)
{
    AXValue selection;
    AXValue caret;
    ASSERT_EQ(field.axElement().copyAttributeValue(AXAttribute::selectedTextRange, selection),
              AXError::success);
    Log::Capture log;
    openCapture("note");

    // The caret is read after the trigger left the field: at the end of "buy milk ".
    ASSERT_EQ(
        field.axElement().copyParameterizedAttributeValue(AXAttribute::boundsForRange, selection, caret),
        AXError::success);
    EXPECT_EQ(field.value(), "buy milk ");
    EXPECT_THAT(overlay()->calls(), ElementsAre(Call{Call::Kind::update, "note", {}},
                                                Call{Call::Kind::show, {}, *caret.asRect()}));
    EXPECT_TRUE(router->isCaptureModeActive());
    EXPECT_TRUE(router->isCaptureModeActiveThreadSafe());
    EXPECT_FALSE(router->isCaptureTransitionThreadSafe());
    EXPECT_EQ(router->currentTarget(), note);
    EXPECT_EQ(router->messageInput(), "");
    EXPECT_FALSE(router->isTargetConfirmed());
    EXPECT_EQ(router->calcLivePreviewText(), std::nullopt);
    EXPECT_EQ(router->hostCaptureContext(),
              (HostCaptureContext{"Editor", std::string(kEditorBundle), "Draft"}));
    // This program takes the keyboard; the editor comes back when the capture ends.
    EXPECT_TRUE(desktop.ownApplication().isFrontmost());
    EXPECT_TRUE(log.contains("🚀 CaptureRouterController: Entered Capture Mode for target 'note'"));
    EXPECT_TRUE(log.contains("🎯 CaptureRouter: Resolved caret bounds via AXUIElement in "));

    typeInOverlay("call mom");
    EXPECT_EQ(router->messageInput(), "call mom");
    pressInOverlay("delete");
    EXPECT_EQ(router->messageInput(), "call mo");
    EXPECT_EQ(field.value(), "buy milk ");
    EXPECT_EQ(panelSizeUpdates, 0);
    EXPECT_EQ(router->calcLivePreviewText(), std::nullopt);
}

TEST_F(CaptureModeTest, EnteringAgainStartsOverWithTheSamePanel)
{
    pick->setRows({kGeneral, kRandom});
    pick->loadGate.close();
    openCapture("slack");
    typeInOverlay("gen");
    ASSERT_TRUE(waitFor([&] { return pick->loadGate.hasWaiter(); }));

    const auto panel = overlay();
    router->enterCaptureModeUI(note);
    EXPECT_EQ(overlay(), panel);
    EXPECT_EQ(router->currentTarget(), note);
    EXPECT_EQ(router->messageInput(), "");
    EXPECT_TRUE(router->pickerOptions().empty());
    EXPECT_EQ(router->selectedOption(), std::nullopt);

    // The load of the replaced capture lands nowhere.
    pick->loadGate.open();
    waitForPickerLoad();
    EXPECT_TRUE(router->pickerOptions().empty());
    EXPECT_EQ(router->currentTarget(), note);
    EXPECT_EQ(enteredTargets(), (std::vector<std::string>{"slack", "note"}));
}

struct PickerLoadCase {
    const char* name;
    Options rows;
    bool staysOpen;
    Options shown;
};

void PrintTo(const PickerLoadCase& c, std::ostream* os)
{
    *os << c.name;
}

class CaptureModePickerLoadTest : public CaptureModeTest,
                                  public ::testing::WithParamInterface<PickerLoadCase> {};

TEST_P(CaptureModePickerLoadTest, LoadedRowsFillThePickerOrEndTheCapture)
{
    const PickerLoadCase& c = GetParam();
    pick->setRows(c.rows);
    openCapture("slack");
    waitForPickerLoad();

    EXPECT_EQ(pick->resets(), 1);
    EXPECT_EQ(router->isCaptureModeActive(), c.staysOpen);
    if (c.staysOpen) {
        EXPECT_EQ(router->pickerOptions(), c.shown);
        EXPECT_EQ(router->selectedOption(), c.shown.empty() ? std::nullopt : std::optional(c.shown.front()));
        EXPECT_TRUE(notifications(CaptureNotifications::presentCaptureFailure).empty());
        return;
    }
    EXPECT_EQ(overlay()->calls().back().kind, Call::Kind::hide);
    EXPECT_TRUE(editor.isFrontmost());
    const auto failures = notifications(CaptureNotifications::presentCaptureFailure);
    ASSERT_EQ(failures.size(), 1u);
    const UserInfo& info = failures[0].userInfo;
    EXPECT_EQ(info.get<std::string>("command"), "slack");
    EXPECT_EQ(info.get<std::string>("detail"), "Slack token is missing. Add it in Settings.");
    EXPECT_EQ(info.get<bool>("saved"), false);
    EXPECT_EQ(info.get<std::string>("section"), "Capture Targets");
    EXPECT_EQ(info.get<std::string>("field"), "slack");
    EXPECT_EQ(info.get<std::string>("actionTitle"), "Open Slack settings");
    EXPECT_FALSE(info.contains("message"));
    EXPECT_TRUE(historyEntries().empty());
    EXPECT_TRUE(recoveryEntries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureModePickerLoadTest,
    ::testing::Values(
        PickerLoadCase{"RowsAreShownWithTheFirstHighlighted", {kGeneral, kRandom}, true, {kGeneral, kRandom}},
        PickerLoadCase{"NoRowsLeaveThePickerEmpty", {}, true, {}},
        PickerLoadCase{"AFailureRowAmongOthersIsARow",
                       {{"error", "⚠️ Slack token is missing."}, kGeneral},
                       true,
                       {{"error", "⚠️ Slack token is missing."}, kGeneral}},
        PickerLoadCase{"ALoneFailureRowEndsTheCaptureWithTheFix",
                       {{"error", "⚠️ Slack token is missing. ⚠️ Add it in Settings."}},
                       false,
                       {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureModeTest, RowsLoadedAfterTheCaptureEndedAreDropped)
{
    pick->setRows({{"error", "⚠️ Slack token is missing."}});
    pick->loadGate.close();
    openCapture("slack");
    ASSERT_TRUE(waitFor([&] { return pick->loadGate.hasWaiter(); }));
    pressInOverlay("esc");
    pick->loadGate.open();
    waitForPickerLoad();
    EXPECT_TRUE(router->pickerOptions().empty());
    EXPECT_TRUE(notifications(CaptureNotifications::presentCaptureFailure).empty());
}

TEST_F(CaptureModeTest, TypingFiltersThePickerUntilARowIsConfirmed)
{
    pick->setRows({kGeneral, kRandom, kAda});
    openCapture("slack");
    waitForPickerLoad();

    typeInOverlay("RA");
    EXPECT_EQ(router->pickerOptions(), (Options{kGeneral, kRandom}));
    EXPECT_EQ(router->selectedOption(), kGeneral);
    typeInOverlay("Nzz");
    EXPECT_TRUE(router->pickerOptions().empty());
    EXPECT_EQ(router->selectedOption(), std::nullopt);
    pressInOverlay("return");  // nothing highlighted: nothing happens
    EXPECT_TRUE(router->isCaptureModeActive());
    EXPECT_FALSE(router->isTargetConfirmed());
    pressInOverlay("delete");
    pressInOverlay("delete");
    EXPECT_EQ(router->messageInput(), "RAN");
    EXPECT_EQ(router->pickerOptions(), (Options{kRandom}));
    EXPECT_EQ(router->selectedOption(), kRandom);

    pressInOverlay("tab");
    EXPECT_TRUE(router->isTargetConfirmed());
    EXPECT_EQ(router->confirmedTarget(), kRandom);
    EXPECT_EQ(router->messageInput(), "");
    EXPECT_TRUE(router->pickerOptions().empty());
    EXPECT_EQ(router->selectedOption(), std::nullopt);
    EXPECT_EQ(panelSizeUpdates, 1);

    typeInOverlay("ship it");
    EXPECT_TRUE(router->pickerOptions().empty());
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return !pick->script.sent().empty(); }));
    EXPECT_EQ(pick->script.sent(), (std::vector<SendScript::Sent>{{"ship it", kRandom}}));
}

TEST_F(CaptureModeTest, ReturnInThePickerConfirmsTheHighlightedRowAndSendsNothing)
{
    pick->setRows({kGeneral, kRandom});
    openCapture("slack");
    waitForPickerLoad();
    pressInOverlay("return");
    EXPECT_TRUE(router->isCaptureModeActive());
    EXPECT_EQ(router->confirmedTarget(), kGeneral);
    EXPECT_EQ(router->messageInput(), "");
    drainBackground();
    EXPECT_TRUE(pick->script.sent().empty());
}

TEST_F(CaptureModeTest, ConfirmingIsOnlyForAPickerWithAHighlightedRow)
{
    openCapture("note");
    router->setSelectedOption(kGeneral);
    router->confirmSelectedTarget();
    EXPECT_FALSE(router->isTargetConfirmed());
    EXPECT_EQ(router->confirmedTarget(), std::nullopt);
    EXPECT_EQ(router->selectedOption(), kGeneral);
}

TEST_F(CaptureModeTest, CalculatorShowsItsLiveResultAtEveryEdit)
{
    openCapture("calc");
    typeInOverlay("15% of 847");
    EXPECT_EQ(router->calcLivePreviewText(), "127.05");
    EXPECT_EQ(panelSizeUpdates, 10);  // one per edit
    typeInOverlay("+");
    EXPECT_EQ(router->calcLivePreviewText(), std::nullopt);  // ends in an operator
    EXPECT_EQ(panelSizeUpdates, 11);
    pressInOverlay("delete");
    EXPECT_EQ(router->calcLivePreviewText(), "127.05");
    EXPECT_EQ(panelSizeUpdates, 12);
}

}  // namespace
}  // namespace qm::test
