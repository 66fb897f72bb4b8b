#include "settings/CaptureTargetsModel.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/SettingsRig.h"
#include "targets/ObsidianVaultPath.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

class CaptureTargetsModelTest : public testing::Test {
protected:
    std::optional<std::string> storedToken()
    {
        return rig.keychain.load(CaptureTargetsModel::slackService, CaptureTargetsModel::slackKey);
    }

    test::SettingsRig rig;
    CaptureTargetsModel model{rig.defaults, rig.keychain, rig.center};
};

TEST_F(CaptureTargetsModelTest, PathsAreStoredAsTypedUnderTheTargetsKeys)
{
    model.setObsidianVaultPath("  ~/Vault ");
    model.setObsidianDailyNotesFolder("Journal/Daily");
    model.setLogseqGraphPath("/graphs/main");
    EXPECT_EQ(rig.defaults.stringForKey("obsidianVaultPath"), "  ~/Vault ");
    EXPECT_EQ(rig.defaults.stringForKey("obsidianDailyNotesFolder"), "Journal/Daily");
    EXPECT_EQ(rig.defaults.stringForKey("logseqGraphPath"), "/graphs/main");
}

TEST_F(CaptureTargetsModelTest, ObsidianStatusFollowsTheFolder)
{
    const fs::path vault = rig.dir.path() / "Vault";
    fs::create_directories(vault / ".obsidian");
    fs::create_directories(vault / "daily");
    const fs::path plain = rig.dir.path() / "Plain";
    fs::create_directories(plain);
    std::ofstream(rig.dir.path() / "file.txt") << "x";
    const fs::path missing = rig.dir.path() / "missing";

    struct Case {
        std::string path;
        std::string text;
        bool ok;
    };
    const Case cases[] = {
        {"", "No vault selected yet.", false},
        {" \n ", "No vault selected yet.", false},
        {missing.string(), ObsidianVaultPath::notAFolderDescription(missing.string()), false},
        {(rig.dir.path() / "file.txt").string(),
         ObsidianVaultPath::notAFolderDescription((rig.dir.path() / "file.txt").string()), false},
        {plain.string(),
         "Path exists, but no .obsidian folder was found above it. Captures will still write here; prefer "
         "selecting the vault root.",
         true},
        {(vault / "daily").string(),
         "OK \u2014 found vault root at " + vault.string() + " (walked up from the selected subfolder).",
         true},
        {"  " + vault.string() + "  ", "OK \u2014 vault root detected (contains .obsidian).", true},
    };
    for (const auto& c : cases) {
        model.setObsidianVaultPath(c.path);
        EXPECT_EQ(model.obsidianVaultStatusText(), c.text) << c.path;
        EXPECT_EQ(model.obsidianVaultStatusIsOK(), c.ok) << c.path;
        EXPECT_EQ(model.obsidianVaultPath(), c.path) << "the walk never rewrites what the user chose";
    }
}

TEST_F(CaptureTargetsModelTest, FolderPickersStoreOnlyAChosenFolder)
{
    model.setObsidianVaultPath("/old/vault");
    std::vector<CaptureTargetsModel::FolderPanel> panels;
    model.chooseObsidianVaultPath([&](const auto& panel, auto answer) {
        panels.push_back(panel);
        answer(std::nullopt);
    });
    EXPECT_EQ(model.obsidianVaultPath(), "/old/vault");
    model.chooseLogseqGraphPath([&](const auto& panel, auto answer) {
        panels.push_back(panel);
        answer("/picked/graph");
    });
    EXPECT_EQ(model.logseqGraphPath(), "/picked/graph");
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_EQ(panels[0].title, "Select Obsidian Vault Folder");
    EXPECT_TRUE(panels[0].showsHiddenFiles);
    EXPECT_EQ(panels[1].title, "Select Logseq Graph Folder");
    EXPECT_FALSE(panels[1].showsHiddenFiles);
    EXPECT_TRUE(panels[1].message.empty());
}

TEST_F(CaptureTargetsModelTest, TokenIsSavedTrimmedOnEveryChangeAndRemovedWhenCleared)
{
    model.setSlackToken("  xoxb-12\n");
    EXPECT_EQ(storedToken(), "xoxb-12");
    EXPECT_EQ(model.slackToken(), "  xoxb-12\n") << "the field keeps what was typed";
    model.setSlackToken("xoxb-123");
    EXPECT_EQ(storedToken(), "xoxb-123");
    model.setSlackToken("   ");
    EXPECT_FALSE(storedToken());
    EXPECT_TRUE(rig.hud.empty());
}

TEST_F(CaptureTargetsModelTest, ReturnSavesAgainSoATokenLostElsewhereComesBack)
{
    model.setSlackToken("xoxp-9");
    rig.keychain.remove(CaptureTargetsModel::slackService, CaptureTargetsModel::slackKey);
    model.submitSlackToken();
    EXPECT_EQ(storedToken(), "xoxp-9");
}

TEST_F(CaptureTargetsModelTest, AFailedSaveIsReportedAndTheFieldKeepsItsText)
{
    KeychainHelper broken{nullptr, std::nullopt};  // no folder: every save fails
    CaptureTargetsModel failing{rig.defaults, broken, rig.center};
    failing.setSlackToken("xoxb-lost");
    EXPECT_EQ(failing.slackToken(), "xoxb-lost");
    ASSERT_EQ(rig.hud.size(), 1u);
    EXPECT_EQ(rig.hud[0], "Could not save the Slack token. Try again.");
}

TEST_F(CaptureTargetsModelTest, LoadingFillsTheFieldOnlyFromAReadableToken)
{
    model.loadSlackToken();
    EXPECT_EQ(model.slackToken(), "");
    ASSERT_EQ(rig.keychain.save("QuillmarkerAI", "slackToken", "\xff\xfe"), errSecSuccess);
    model.loadSlackToken();
    EXPECT_EQ(model.slackToken(), "") << "bytes that are not UTF-8 are not shown";
    ASSERT_EQ(rig.keychain.save("QuillmarkerAI", "slackToken", "xoxb-ok"), errSecSuccess);
    model.loadSlackToken();
    EXPECT_EQ(model.slackToken(), "xoxb-ok");
}

}  // namespace
}  // namespace qm
