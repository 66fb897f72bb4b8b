#include "app/AssistantServices.h"

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "knowledge/MCPServer.h"
#include "knowledge/SecondBrainIndexer.h"
#include "platform/sim/notifications/SimDistributedNotificationCenter.h"
#include "store/KeychainHelper.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

// The assistant as the program composes it: the tool server follows the
// cross-process toggle, and its token is the one kept in the secret store.
TEST(AssistantServicesTest, TheToolServerFollowsTheToggleFromAnotherProcess)
{
    StandInApp rig;
    AppComposition::Options options;
    options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
    options.backgroundThreads = 1;
    options.withAssistant = true;
    options.mcpPort = 0;
    AppComposition& app = rig.compose(rig.bundle(), std::move(options));
    ASSERT_NE(app.assistant(), nullptr);
    MCPServer& server = app.assistant()->mcpServer();
    EXPECT_FALSE(server.port()) << "built stopped";

    // Another process of the same desktop posts the toggle.
    SimDistributedNotificationCenter other(rig.platform.loop, rig.platform.distributedNotifications);
    other.postNotification("com.quillmarker.mcp.toggle", std::string("true"), {});
    rig.platform.loop.runUntilIdle();
    EXPECT_TRUE(server.port());
    other.postNotification("com.quillmarker.mcp.toggle", std::string("false"), {});
    rig.platform.loop.runUntilIdle();
    EXPECT_FALSE(server.port());

    // The note index lives with the program's other files.
    EXPECT_TRUE(std::filesystem::exists(rig.support / "com.quillmarker.app" / "QuillmarkerKnowledge.db"));

    const auto token = MCPServer::getOrCreateMCPToken(app.secrets());
    ASSERT_TRUE(token);
    EXPECT_EQ(app.secrets().load(KeychainHelper::service, "mcp_token"), token);
}

}  // namespace
}  // namespace qm::test
