#include "targets/ObsidianVaultPath.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/PlatformError.h"
#include "support/TempDir.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Resolution = ObsidianVaultPath::Resolution;

// A vault with a ".obsidian" folder and a note folder inside it, a plain
// folder beside it, and a folder whose ".obsidian" is a file.
class ObsidianVaultPathTest : public ::testing::Test {
protected:
    ObsidianVaultPathTest()
    {
        fs::create_directories(vault() / ".obsidian");
        fs::create_directories(vault() / "Daily" / "2026");
        fs::create_directories(folder.path() / "Plain");
        fs::create_directories(folder.path() / "Marked");
        std::ofstream(folder.path() / "Marked" / ".obsidian") << "not a folder";
        std::ofstream(folder.path() / "file.md") << "a file";
    }

    fs::path vault() const { return folder.path() / "Vault"; }
    // The same folder written from the home folder with a tilde.
    std::string tilde(const fs::path& path) const
    {
        return "~/" + path.lexically_relative(testHome()).string();
    }

    TempDir folder;
};

TEST_F(ObsidianVaultPathTest, ResolvesTheVaultRootFromAnyFolderInIt)
{
    struct Case {
        std::string configured;
        Resolution expected;
    };
    const std::string root = vault().string();
    const Case cases[] = {
        {root, {root, false, true}},
        {" \t" + root + "\n", {root, false, true}},
        {(vault() / "Daily").string(), {root, true, true}},
        {(vault() / "Daily" / "2026").string() + "/", {root, true, true}},
        {tilde(vault() / "Daily" / "2026"), {root, true, true}},
        {(folder.path() / "Plain").string(), {(folder.path() / "Plain").string(), false, false}},
        // A ".obsidian" that is a file marks nothing.
        {(folder.path() / "Marked").string(), {(folder.path() / "Marked").string(), false, false}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ObsidianVaultPath::resolve(c.configured), c.expected) << c.configured;
    }
}

TEST_F(ObsidianVaultPathTest, BlankMissingOrFilePathsFailWithTheirCodes)
{
    struct Case {
        std::string configured;
        long code;
        std::string description;
    };
    const std::string missing = (folder.path() / "Gone").string();
    const std::string file = (folder.path() / "file.md").string();
    const Case cases[] = {
        {"", 1, ObsidianVaultPath::kNotConfiguredDescription},
        {" \n\t", 1, ObsidianVaultPath::kNotConfiguredDescription},
        {"  " + missing + "\n", 3,
         "Obsidian vault path does not exist or is not a folder: " + missing +
             ". Re-select it under Capture Targets in Quillmarker Settings."},
        {file, 3,
         "Obsidian vault path does not exist or is not a folder: " + file +
             ". Re-select it under Capture Targets in Quillmarker Settings."},
        // Expanded before trimming: a "~" behind a blank stays, and the relative path is no folder.
        {" " + tilde(vault()), 3,
         "Obsidian vault path does not exist or is not a folder: " + tilde(vault()) +
             ". Re-select it under Capture Targets in Quillmarker Settings."},
    };
    for (const Case& c : cases) {
        try {
            ObsidianVaultPath::resolve(c.configured);
            ADD_FAILURE() << "resolved: " << c.configured;
        } catch (const PlatformError& error) {
            EXPECT_EQ(error.domain(), "ObsidianTarget") << c.configured;
            EXPECT_EQ(error.code(), c.code) << c.configured;
            EXPECT_EQ(error.localizedDescription(), c.description) << c.configured;
        }
    }
}

TEST_F(ObsidianVaultPathTest, TheWalkEndsAtTheFileSystemRoot)
{
    // Nothing here may create a marker in "/", so the walk from a folder right
    // below it ends unmarked, and "/" itself resolves to itself.
    ASSERT_FALSE(fs::exists("/.obsidian"));
    EXPECT_EQ(ObsidianVaultPath::resolve("/"), (Resolution{"/", false, false}));
    EXPECT_EQ(ObsidianVaultPath::resolve(testHome().string()),
              (Resolution{testHome().string(), false, false}));
}

}  // namespace
}  // namespace qm::test
