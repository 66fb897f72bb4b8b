#include <gtest/gtest.h>

#include "capture/CaptureRouterController.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

class FocusFingerprintTest : public ::testing::Test {
protected:
    FocusFingerprintTest()
        : loop(clock), desktop(loop), app(desktop.addApplication("com.example.mail", "Mail"))
    {
        window = app.addWindow("Inbox", Rect(0, 25, 800, 600));
    }

    SimTextField field(const std::string& title, const std::string& description, Rect frame)
    {
        SimTextFieldSpec spec;
        spec.title = title;
        spec.description = description;
        spec.identifier = "subject";
        spec.frame = frame;
        return window.addTextField(spec);
    }

    SimClock clock;
    SimMainLoop loop;
    StandInDesktop desktop;
    SimApplication app;
    SimElement window;
};

TEST_F(FocusFingerprintTest, ReadsTheElementAndItsWindow)
{
    const auto described = CaptureRouterController::focusFingerprint(
        "com.example.mail", field("Subject", "Subject line", Rect(10, 40, 300.5, 21.4)).axElement());
    EXPECT_EQ(described.bundleId, "com.example.mail");
    EXPECT_EQ(described.role, "AXTextField");
    EXPECT_EQ(described.identifier, "subject");
    EXPECT_EQ(described.label, "Subject line");
    EXPECT_EQ(described.windowTitle, "Inbox");
    EXPECT_EQ(described.width, 301);  // halves round away from zero
    EXPECT_EQ(described.height, 21);

    const auto titled =
        FocusFingerprint::of("com.example.mail", field("To", "", Rect(10, 80, 300, 22)).axElement());
    EXPECT_EQ(titled.label, "To");
}

TEST_F(FocusFingerprintTest, UnreadableElementGivesEmptyFields)
{
    const AXUIElement element = field("Subject", "", Rect(10, 40, 300, 22)).axElement();
    app.terminate();
    const auto gone = FocusFingerprint::of("com.example.mail", element);
    EXPECT_EQ(gone.bundleId, "com.example.mail");
    EXPECT_EQ(gone.role, "");
    EXPECT_EQ(gone.label, "");
    EXPECT_EQ(gone.windowTitle, "");
    EXPECT_EQ(gone.width, 0);
    EXPECT_EQ(gone.height, 0);
    EXPECT_EQ(FocusFingerprint::of("com.example.mail", AXUIElement()), gone);
}

TEST_F(FocusFingerprintTest, EqualityLooksAtBundleRoleAndWidthOnly)
{
    const FocusFingerprint base{"app", "AXTextField", "id", "label", "window", 300, 22};
    FocusFingerprint other = base;
    other.identifier = "other";
    other.label = "other";
    other.windowTitle = "other";
    other.height = 80;
    EXPECT_EQ(base, other);

    for (auto change :
         {+[](FocusFingerprint& f) { f.bundleId = "x"; }, +[](FocusFingerprint& f) { f.role = "x"; },
          +[](FocusFingerprint& f) { f.width = 301; }}) {
        FocusFingerprint changed = base;
        change(changed);
        EXPECT_NE(base, changed);
    }
}

}  // namespace
}  // namespace qm
