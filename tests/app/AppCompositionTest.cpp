#include "app/AppComposition.h"

#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "capture/CaptureRouterController.h"
#include "capture/CaptureRouterRig.h"
#include "records/CaptureHistoryStore.h"
#include "records/FallbackCaptureLogger.h"
#include "shell/AppUpdateChecker.h"
#include "shell/PermissionsManager.h"
#include "store/DatabaseManager.h"
#include "store/KeychainHelper.h"
#include "store/PrivacyFirewall.h"
#include "suggestions/FieldContextDetector.h"
#include "suggestions/FieldMemoryEngine.h"
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

// A shared() the program's code reaches, and the composed service it must be.
struct SharedCase {
    const char* type;
    std::function<const void*()> shared;
    std::function<const void*(AppComposition&)> composed;
};

const SharedCase kShared[] = {
    {"KeychainHelper", [] { return &KeychainHelper::shared(); },
     [](AppComposition& app) { return &app.secrets(); }},
    {"DatabaseManager", [] { return &DatabaseManager::shared(); },
     [](AppComposition& app) { return &app.database(); }},
    {"PrivacyFirewall", [] { return &PrivacyFirewall::shared(); },
     [](AppComposition& app) { return &app.privacyFirewall(); }},
    {"PermissionsManager", [] { return &PermissionsManager::shared(); },
     [](AppComposition& app) { return &app.permissions(); }},
    {"FieldContextDetector", [] { return &FieldContextDetector::shared(); },
     [](AppComposition& app) { return &app.fieldContextDetector(); }},
    {"FieldMemoryEngine", [] { return &FieldMemoryEngine::shared(); },
     [](AppComposition& app) { return &app.fieldMemory(); }},
    {"CaptureHistoryStore", [] { return &CaptureHistoryStore::shared(); },
     [](AppComposition& app) { return &app.history(); }},
    {"FallbackCaptureLogger", [] { return &FallbackCaptureLogger::shared(); },
     [](AppComposition& app) { return &app.recoveryLog(); }},
    {"CaptureQuietWindow", [] { return &CaptureQuietWindow::shared(); },
     [](AppComposition& app) { return &app.records().quietWindow(); }},
    {"HostFocus", [] { return &HostFocus::shared(); },
     [](AppComposition& app) { return &app.records().hostFocus(); }},
    {"OpenLoopStore", [] { return &OpenLoopStore::shared(); },
     [](AppComposition& app) { return &app.records().openLoops(); }},
    {"CaptureLanding", [] { return &CaptureLanding::shared(); },
     [](AppComposition& app) { return &app.records().landing(); }},
    {"CaptureRouterController", [] { return &CaptureRouterController::shared(); },
     [](AppComposition& app) { return &app.captureRouter(); }},
    {"AppUpdateChecker", [] { return &AppUpdateChecker::shared(); },
     [](AppComposition& app) { return &app.updateChecker(); }},
};

std::string failureOf(const std::function<const void*()>& call)
{
    try {
        call();
    } catch (const std::logic_error& error) {
        return error.what();
    }
    return "<no failure>";
}

class AppCompositionTest : public ::testing::Test {
protected:
    StandInApp stage;
};

TEST_F(AppCompositionTest, SharedInstancesAreTheComposedOnesOnlyWhileTheCompositionLives)
{
    for (const auto& c : kShared) {
        EXPECT_EQ(failureOf(c.shared),
                  std::string(c.type) +
                      "::shared(): nothing was installed; the composition root installs it");
    }
    {
        AppComposition& app = stage.compose(stage.bundle(), quietOptions());
        for (const auto& c : kShared) {
            EXPECT_EQ(c.shared(), c.composed(app)) << c.type;
        }
    }
    stage.app.reset();
    for (const auto& c : kShared) {
        EXPECT_THROW(c.shared(), std::logic_error) << c.type << " outlived the composition";
    }
}

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
