#include "app/AppComposition.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "capture/CaptureRouterRig.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

AppComposition::Options quietOptions()
{
    AppComposition::Options options;
    options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
    options.backgroundThreads = 2;
    return options;
}

class AppCompositionTest : public ::testing::Test {
protected:
    StandInApp stage;
};

TEST_F(AppCompositionTest, LegacySecretsAreMovedIntoTheDataFolderAtStartUp)
{
    SimLegacyKeychain& keychain = stage.platform.legacyKeychain;
    ASSERT_EQ(keychain.add({LegacyKeychain::ItemClass::genericPassword, "QuillmarkerAI", "openai",
                            "sk-legacy", false}),
              errSecSuccess);

    stage.compose(stage.bundle(), quietOptions());

    EXPECT_FALSE(keychain.contains(LegacyKeychain::ItemClass::genericPassword, "QuillmarkerAI", "openai"));
    std::error_code error;
    EXPECT_EQ(file::readAll(stage.support / "com.quillmarker.app" / "local-secrets" /
                                "QuillmarkerAI__openai.secret",
                            error),
              "sk-legacy");
}

TEST_F(AppCompositionTest, AHudIsRequired)
{
    EXPECT_THROW(AppComposition(stage.bundle(), AppComposition::Options{}), std::invalid_argument);
}

// The default wiring: a //calendar capture asks the platform's event store
// through the permissions manager, and a refusal reaches the failure alert.
TEST_F(CaptureRouterRig, ACalendarCaptureAsksTheComposedPermissions)
{
    SimTextField field = addField();
    field.focus();
    stage.platform.eventStores->answerNextAccessPrompt(EventStoreEntityType::event, false);
    desktop.keyboard().type("//calendar ");
    ASSERT_TRUE(waitForCaptureMode());
    desktop.keyboard().type("standup at 10");
    desktop.keyboard().press("return");
    ASSERT_TRUE(
        loop.runUntil([&] { return !notifications(CaptureNotifications::presentCaptureFailure).empty(); }));

    EXPECT_EQ(stage.platform.eventStores->accessPrompts().size(), 1u);
    const auto failure = notifications(CaptureNotifications::presentCaptureFailure).front();
    EXPECT_EQ(failure.userInfo.get<std::string>("command"), "calendar");
    EXPECT_EQ(
        failure.userInfo.get<std::string>("detail"),
        "Calendar access was denied. Grant access in System Settings → Privacy & Security → Calendars.");
}

}  // namespace
}  // namespace qm::test
