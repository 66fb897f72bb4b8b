#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "capture/CaptureFolderPreCheck.h"
#include "platform/storage/UserDefaults.h"
#include "support/TempDir.h"
#include "targets/TargetsDefaultsKeys.h"

namespace qm {
namespace {

class CaptureFolderPreCheckTest : public ::testing::Test {
protected:
    std::string detail(std::string_view command)
    {
        const auto failure = check.missingPathFailure(command);
        return failure ? failure->detail : "<passes>";
    }

    test::TempDir dir;
    UserDefaults defaults{""};
    CaptureFolderPreCheck check{defaults};
};

TEST_F(CaptureFolderPreCheckTest, UnsetObsidianVaultNamesTheFixAndWhereItIs)
{
    const auto failure = check.missingPathFailure("obsidian");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->userInfo().get<std::string>("command"), "obsidian");
    EXPECT_EQ(failure->userInfo().get<std::string>("detail"),
              "No Obsidian vault folder is set. Choose the folder in Settings, then type //obsidian again.");
    EXPECT_EQ(failure->userInfo().get<bool>("saved"), false);
    EXPECT_EQ(failure->userInfo().get<std::string>("section"), "Capture Targets");
    EXPECT_EQ(failure->userInfo().get<std::string>("field"), "obsidianVault");
    EXPECT_EQ(failure->userInfo().get<std::string>("actionTitle"), "Open Obsidian settings");
    EXPECT_FALSE(failure->userInfo().contains("message"));
    EXPECT_EQ(failure->userInfo().size(), 6u);
}

TEST_F(CaptureFolderPreCheckTest, DetailsForEachKindOfBadSetting)
{
    const auto file = dir / "graph.txt";
    std::ofstream(file) << "not a folder";
    const auto missing = dir / "nowhere";

    struct Case {
        const char* command;
        const char* key;
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {"logseq", TargetsDefaultsKeys::logseqGraphPath, "",
         "No Logseq graph folder is set. Choose the folder in Settings, then type //logseq again."},
        {"logseq", TargetsDefaultsKeys::logseqGraphPath, " \n\t",
         "No Logseq graph folder is set. Choose the folder in Settings, then type //logseq again."},
        {"logseq", TargetsDefaultsKeys::logseqGraphPath, file.string(),
         "Logseq graph path does not exist or is not a folder: " + file.string() +
             ". Choose it again in Settings."},
        {"obsidian", TargetsDefaultsKeys::obsidianVaultPath, "  " + missing.string() + "\n",
         "Obsidian vault path does not exist or is not a folder: " + missing.string() +
             ". Choose it again in Settings."},
        {"obsidian", TargetsDefaultsKeys::obsidianVaultPath, "~/no-such-vault",
         "Obsidian vault path does not exist or is not a folder: " + std::string(std::getenv("HOME")) +
             "/no-such-vault. Choose it again in Settings."},
    };
    for (const auto& c : cases) {
        defaults.set(c.key, c.value);
        EXPECT_EQ(detail(c.command), c.expected) << c.command << " = '" << c.value << "'";
    }
    EXPECT_EQ(check.missingPathFailure("logseq")->userInfo().get<std::string>("field"), "logseqGraph");
}

TEST_F(CaptureFolderPreCheckTest, ExistingFoldersPassAfterTrimmingAndTildeExpansion)
{
    const std::filesystem::path home = std::getenv("HOME");
    const auto vault = home / "PreCheckVault";
    std::filesystem::create_directories(vault);
    defaults.set(TargetsDefaultsKeys::obsidianVaultPath, "  ~/PreCheckVault \n");
    EXPECT_FALSE(check.missingPathFailure("obsidian"));

    defaults.set(TargetsDefaultsKeys::logseqGraphPath, dir.path().string());
    EXPECT_FALSE(check.missingPathFailure("logseq"));
    std::filesystem::remove_all(vault);
}

TEST_F(CaptureFolderPreCheckTest, OtherTargetsNeedNoFolder)
{
    for (const char* command : {"note", "slack", "calendar", "Obsidian", ""}) {
        EXPECT_FALSE(check.missingPathFailure(command)) << command;
    }
}

TEST(CaptureFolderPreCheckTildeTest, ExpandsOnlyTheHomeForms)
{
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(CaptureFolderPreCheck::expandTilde("~"), home);
    EXPECT_EQ(CaptureFolderPreCheck::expandTilde("~/a/b"), home + "/a/b");
    EXPECT_EQ(CaptureFolderPreCheck::expandTilde("~other/a"), "~other/a");
    EXPECT_EQ(CaptureFolderPreCheck::expandTilde("/abs/~/x"), "/abs/~/x");
    EXPECT_EQ(CaptureFolderPreCheck::expandTilde(""), "");
}

}  // namespace
}  // namespace qm
