#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CaptureRouterRig.h"
#include "platform/sim/accessibility/SimTextField.h"

namespace qm::test {
namespace {

// Three fields the router tells apart: fingerprints compare by bundle id,
// role and width.
class CaptureRouterParkingTest : public CaptureRouterRig {
protected:
    CaptureRouterParkingTest()
        : fieldA(addField({}, 300, SimTextKind::singleLine, 100)),
          fieldB(addField({}, 320, SimTextKind::singleLine, 140)),
          fieldC(addField({}, 340, SimTextKind::singleLine, 180))
    {
        fieldA.focus();
        router->noteTypingFocus(kEditorBundle, fieldA.axElement());
    }

    // What the shell does when the focus moves from one field to another
    // without typing: park the old field's buffer, note and restore the new one's.
    void moveFocus(const SimTextField& from, const SimTextField& to)
    {
        to.focus();
        router->suspendPassiveBuffer(kEditorBundle, from.axElement());
        router->noteTypingFocus(kEditorBundle, to.axElement());
        router->restorePassiveBufferIfMatching(kEditorBundle, to.axElement());
    }

    // Types the end of a trigger and tells whether it opened capture mode. An
    // opened capture is cancelled with Esc, which gives the keyboard back to
    // the editor (and, as every end of capture mode, forgets parked buffers).
    bool finishTrigger(const std::string& rest)
    {
        const std::size_t before = enteredTargets().size();
        desktop.keyboard().type(rest);
        desktop.keyboard().press("space");
        if (!router->isCaptureTransitionThreadSafe() && enteredTargets().size() == before) {
            loop.runUntilIdle();
            return enteredTargets().size() > before;
        }
        if (!waitForCaptureMode(before + 1)) {
            return false;
        }
        desktop.keyboard().press("esc");
        loop.runUntilIdle();
        EXPECT_FALSE(router->isCaptureModeActive());
        EXPECT_TRUE(editor.isFrontmost());
        return true;
    }

    SimTextField fieldA;
    SimTextField fieldB;
    SimTextField fieldC;
};

TEST_F(CaptureRouterParkingTest, TriggerBegunInAFieldCompletesAfterAVisitElsewhere)
{
    desktop.keyboard().type("//no");
    moveFocus(fieldA, fieldB);
    clock.advance(119);
    moveFocus(fieldB, fieldA);
    EXPECT_TRUE(finishTrigger("te"));
    EXPECT_EQ(fieldA.value(), "");
}

TEST_F(CaptureRouterParkingTest, TypingInAnotherFieldDoesNotContinueTheTrigger)
{
    desktop.keyboard().type("//no");
    moveFocus(fieldA, fieldB);
    EXPECT_FALSE(finishTrigger("te"));
    EXPECT_EQ(fieldB.value(), "te ");
}

TEST_F(CaptureRouterParkingTest, ParkedBufferExpiresAfterTwoMinutes)
{
    desktop.keyboard().type("//no");
    moveFocus(fieldA, fieldB);
    clock.advance(120.5);
    moveFocus(fieldB, fieldA);
    EXPECT_FALSE(finishTrigger("te"));
}

TEST_F(CaptureRouterParkingTest, OnlyTheLastTwoParkedFieldsAreKept)
{
    // Coming back to B or C finishes the trigger begun there; A, parked first, was dropped.
    const std::vector<std::pair<SimTextField*, bool>> returns = {
        {&fieldB, true}, {&fieldC, true}, {&fieldA, false}};
    for (const auto& [field, triggers] : returns) {
        for (SimTextField* each : {&fieldA, &fieldB, &fieldC}) {
            each->setValue("");
        }
        fieldA.focus();
        router->noteTypingFocus(kEditorBundle, fieldA.axElement());
        desktop.keyboard().type("//n");
        moveFocus(fieldA, fieldB);
        desktop.keyboard().type("//n");
        moveFocus(fieldB, fieldC);
        desktop.keyboard().type("//n");
        moveFocus(fieldC, fieldA);  // parking C drops A, the oldest
        if (field != &fieldA) {
            moveFocus(fieldA, *field);
        }
        EXPECT_EQ(finishTrigger("ote"), triggers);
        router->clearPassiveBuffer();
    }
    EXPECT_EQ(enteredTargets(), (std::vector<std::string>{"note", "note"}));
}

// The focus change may be reported after the user already typed in the field.
TEST_F(CaptureRouterParkingTest, KeysTypedBeforeTheReturnWasReported)
{
    struct Case {
        std::string typedBeforeReport;
        int deletesAfter;
        std::string rest;
        bool triggers;
    };
    const std::vector<Case> cases = {
        {"ote", 0, "", true},           // parked text followed by the 3 characters
        {"1234567", 7, "ote", true},    // 7 characters still continue the parked text
        {"12345678", 8, "ote", false},  // 8 or more: the parked text is dropped
    };
    for (const auto& c : cases) {
        router->clearPassiveBuffer();
        fieldA.setValue("");
        fieldA.focus();
        desktop.keyboard().type("//n");
        moveFocus(fieldA, fieldB);
        fieldA.focus();
        desktop.keyboard().type(c.typedBeforeReport);
        router->restorePassiveBufferIfMatching(kEditorBundle, fieldA.axElement());
        for (int i = 0; i < c.deletesAfter; ++i) {
            desktop.keyboard().press("delete");
        }
        EXPECT_EQ(finishTrigger(c.rest), c.triggers) << c.typedBeforeReport;
    }
}

TEST_F(CaptureRouterParkingTest, MenusAreTransientRoles)
{
    for (const char* role : {"AXMenu", "AXMenuItem", "axmenubar", "AXPopUpMenu"}) {
        EXPECT_TRUE(CaptureRouterController::isTransientFocusRole(role)) << role;
    }
    for (const char* role : {"AXTextField", "AXTextArea", "AXComboBox", ""}) {
        EXPECT_FALSE(CaptureRouterController::isTransientFocusRole(role)) << role;
    }
}

TEST_F(CaptureRouterParkingTest, AppSwitchParksThePreviousApplicationsField)
{
    SimApplication other = desktop.addApplication("com.example.other", "Other");
    SimElement otherWindow = other.addWindow("Other", Rect(0, 25, 600, 400));
    SimTextField otherField = otherWindow.addTextField({});

    desktop.keyboard().type("//no");
    other.activate();
    otherField.focus();
    router->suspendPassiveBufferForAppSwitch(std::string(kEditorBundle), fieldA.axElement());
    router->noteTypingFocus("com.example.other", otherField.axElement());
    EXPECT_FALSE(finishTrigger("te"));

    editor.activate();
    fieldA.focus();
    router->suspendPassiveBufferForAppSwitch(std::string("com.example.other"), otherField.axElement());
    router->restorePassiveBufferIfMatching(kEditorBundle, fieldA.axElement());
    EXPECT_TRUE(finishTrigger("te"));
}

TEST_F(CaptureRouterParkingTest, AppSwitchWithoutAnElementUsesTheTypingFieldOrForgets)
{
    struct Case {
        std::optional<std::string> previousBundle;
        bool restored;
    };
    const std::vector<Case> cases = {
        {std::string(kEditorBundle), true},         // parked under the last typing field
        {std::nullopt, true},                       // no name: the last typing field is taken
        {std::string("com.example.other"), false},  // another application: only emptied
    };
    for (const auto& c : cases) {
        router->clearPassiveBuffer();
        fieldA.setValue("");
        fieldA.focus();
        router->noteTypingFocus(kEditorBundle, fieldA.axElement());
        desktop.keyboard().type("//no");
        router->suspendPassiveBufferForAppSwitch(c.previousBundle, std::nullopt);
        router->restorePassiveBufferIfMatching(kEditorBundle, fieldA.axElement());
        EXPECT_EQ(finishTrigger("te"), c.restored) << c.previousBundle.value_or("<none>");
    }

    // With no typing field known, the buffer is only emptied.
    router->clearPassiveBuffer();
    fieldA.setValue("");
    desktop.keyboard().type("//no");
    router->suspendPassiveBufferForAppSwitch(std::nullopt, std::nullopt);
    router->restorePassiveBufferIfMatching(kEditorBundle, fieldA.axElement());
    EXPECT_FALSE(finishTrigger("te"));
}

}  // namespace
}  // namespace qm::test
