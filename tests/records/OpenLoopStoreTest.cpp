#include "records/OpenLoopStore.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "records/OpenLoopFile.h"
#include "records/OpenLoopRig.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::OpenLoopRig;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> texts(const std::vector<OpenLoop>& loops)
{
    std::vector<std::string> result;
    for (const auto& loop : loops) {
        result.push_back(loop.text);
    }
    return result;
}

OpenLoopFile fileContent(const fs::path& path)
{
    std::string reason;
    auto decoded = OpenLoopFile::decode(readFile(path), reason);
    EXPECT_TRUE(decoded.has_value()) << reason;
    return decoded.value_or(OpenLoopFile{});
}

std::vector<fs::path> asideFiles(const fs::path& folder)
{
    std::vector<fs::path> result;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("open-loops.json.corrupt")) {
            result.push_back(entry.path());
        }
    }
    std::sort(result.begin(), result.end());
    return result;
}

TEST(OpenLoopStoreTest, ParkBuildsTheLoopFromItsArgumentsAndTheHostContext)
{
    OpenLoopRig rig;
    rig.clock.set(1'700'000'000.25);
    const HostCaptureContext host{"Numbers", "com.example.numbers", "Q3 Budget"};
    rig.store->park("when budget, check", "check", "copy", "Copied", "/tmp/a.md", host, {"budget"});
    rig.store->park("plain", "plain", "note", "Quick Capture.md", std::nullopt, HostCaptureContext{}, {});

    ASSERT_EQ(rig.store->loops().size(), 2u);
    const OpenLoop& older = rig.store->loops()[1];
    EXPECT_EQ(older.text, "when budget, check");
    EXPECT_EQ(older.action, "check");
    EXPECT_EQ(older.target, "copy");
    EXPECT_EQ(older.receipt, "Copied");
    EXPECT_EQ(older.revealPath, "/tmp/a.md");
    EXPECT_EQ(older.appName, "Numbers");
    EXPECT_EQ(older.bundleId, "com.example.numbers");
    EXPECT_EQ(older.windowTitle, "Q3 Budget");
    EXPECT_EQ(older.cueTokens, std::vector<std::string>{"budget"});
    EXPECT_DOUBLE_EQ(older.createdAt, 1'700'000'000.25 - kSecondsFrom1970To2001);
    EXPECT_FALSE(older.closed);
    EXPECT_FALSE(older.departed);

    const OpenLoop& newer = rig.store->loops()[0];
    EXPECT_EQ(newer.appName, "this Mac");
    EXPECT_EQ(newer.bundleId, std::nullopt);
    EXPECT_NE(newer.id, older.id);
    EXPECT_EQ(rig.store->lastReceipt(), "Quick Capture.md");
    EXPECT_EQ(rig.store->lastRevealPath(), std::nullopt);
}

TEST(OpenLoopStoreTest, KeepsTheNewestFortyInMemoryAndInTheFile)
{
    OpenLoopRig rig;
    for (int i = 1; i <= 41; ++i) {
        rig.park("loop " + std::to_string(i));
    }
    // Closing does not protect a loop from falling off the end.
    rig.store->markDone(rig.store->loops().back().id);
    rig.park("loop 42");

    ASSERT_EQ(rig.store->loops().size(), OpenLoopStore::maxStored);
    EXPECT_EQ(rig.store->loops().front().text, "loop 42");
    EXPECT_EQ(rig.store->loops().back().text, "loop 3");

    const auto stored = texts(fileContent(rig.file()).loops);
    EXPECT_EQ(stored, texts(rig.store->loops()));
    const std::set<std::string> all(stored.begin(), stored.end());
    EXPECT_FALSE(all.contains("loop 1"));
    EXPECT_FALSE(all.contains("loop 2"));
}

TEST(OpenLoopStoreTest, MenuShowsTheThreeNewestOpenLoops)
{
    struct Case {
        int parked;
        std::set<int> closed;  // by park number; the newest has the highest
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {7, {7, 5}, {"7 is 6", "7 is 4", "7 is 3"}},
        {5, {}, {"5 is 5", "5 is 4", "5 is 3"}},
        {2, {}, {"2 is 2", "2 is 1"}},
        {4, {4, 3, 2, 1}, {}},
        {4, {4, 3, 2}, {"4 is 1"}},
        {0, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.parked);
        OpenLoopRig rig;
        for (int i = 1; i <= c.parked; ++i) {
            rig.park(std::to_string(c.parked) + " is " + std::to_string(i));
        }
        for (const int number : c.closed) {
            rig.store->markDone(rig.store->loops()[static_cast<std::size_t>(c.parked - number)].id);
        }
        EXPECT_EQ(texts(rig.store->menuLoops()), c.expected);
    }
}

TEST(OpenLoopStoreTest, MarkDoneClosesForGoodAndAnUnknownIdWritesNothing)
{
    OpenLoopRig rig;
    rig.park("first");
    rig.park("second");
    const Uuid first = rig.store->loops()[1].id;

    rig.store->markDone(first);
    EXPECT_TRUE(rig.store->loops()[1].closed);
    EXPECT_FALSE(rig.store->loops()[0].closed);
    EXPECT_TRUE(fileContent(rig.file()).loops[1].closed);

    fs::remove(rig.file());
    const auto before = rig.store->loops();
    rig.store->markDone(Uuid::random());
    EXPECT_EQ(rig.store->loops(), before);
    EXPECT_FALSE(fs::exists(rig.file()));

    rig.store = rig.makeStore();
    EXPECT_TRUE(rig.store->loops().empty());
}

TEST(OpenLoopStoreTest, RevealTitleNamesTheLastPathComponentOfTheLatestCapture)
{
    struct Case {
        std::optional<std::string> revealPath;
        std::optional<std::string> title;
    };
    const Case cases[] = {
        {"/Users/me/Documents/Notes/Quick Capture.md", "Reveal Quick Capture.md"},
        {"/System/Applications/Calendar.app", "Reveal Calendar.app"},
        {"/Users/me/vault/journals/", "Reveal journals"},
        {"/", "Reveal /"},
        {"obsidian://open?vault=v", "Reveal open?vault=v"},
        {"notes.md", "Reveal notes.md"},
        {"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const bool parks : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.revealPath.value_or("(absent)") + (parks ? " parked" : " noted"));
            OpenLoopRig rig;
            // An earlier capture's path never shows through a later one's absence.
            rig.store->noteReceipt("earlier", "/tmp/earlier.md");
            if (parks) {
                rig.store->park("t", "t", "note", "receipt", c.revealPath, HostCaptureContext{}, {});
            } else {
                rig.store->noteReceipt("receipt", c.revealPath);
            }
            EXPECT_EQ(rig.store->revealMenuTitle(), c.title);
            EXPECT_EQ(rig.store->lastReceipt(), "receipt");
        }
    }
}

TEST(OpenLoopStoreTest, RevealLastOpensFilesAndUrlsButNothingElse)
{
    struct Case {
        std::optional<std::string> revealPath;
        std::vector<std::string> files;
        std::vector<std::string> urls;
    };
    const Case cases[] = {
        {"/Users/me/Documents/Notes/Quick Capture.md", {"/Users/me/Documents/Notes/Quick Capture.md"}, {}},
        {"/System/Applications/Calendar.app", {"/System/Applications/Calendar.app"}, {}},
        {"https://app.slack.com/client/T1/C2", {}, {"https://app.slack.com/client/T1/C2"}},
        {"obsidian://open?vault=My%20Vault&file=a", {}, {"obsidian://open?vault=My%20Vault&file=a"}},
        {"Quick Capture.md", {}, {}},
        {"notes.md", {}, {}},
        {"https://exa mple.com", {}, {}},
        {"http://example.com/%zz", {}, {}},
        {"http://example.com/%2", {}, {}},
        {"://example.com", {}, {}},
        {"1http://example.com", {}, {}},
        {"https://example.com/caf\u00e9", {}, {}},
        {"", {}, {}},
        {std::nullopt, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.revealPath.value_or("(absent)"));
        OpenLoopRig rig;
        rig.store->noteReceipt("receipt", c.revealPath);
        rig.store->revealLast();
        EXPECT_EQ(rig.desktop.workspace().openedFiles(), c.files);
        EXPECT_EQ(rig.desktop.workspace().openedURLs(), c.urls);
    }
}

TEST(OpenLoopStoreTest, StateSurvivesARestartThroughAPrivateFile)
{
    OpenLoopRig rig;
    rig.park("first", HostCaptureContext{"Safari", "com.apple.Safari", "Budget"}, {"budget"});
    rig.park("second");
    rig.store->markDone(rig.store->loops()[0].id);
    rig.store->noteReceipt("Copied", "https://example.com/a/b");
    const auto loops = rig.store->loops();

    rig.store = rig.makeStore();
    EXPECT_EQ(rig.store->loops(), loops);
    EXPECT_EQ(rig.store->lastReceipt(), "Copied");
    EXPECT_EQ(rig.store->lastRevealPath(), "https://example.com/a/b");
    EXPECT_EQ(rig.store->whisperGeneration(), 0);
    EXPECT_TRUE(rig.store->isPersisting());
    EXPECT_EQ(file::permissions(rig.file()), mode_t{0600});
    EXPECT_EQ(file::permissions(rig.file().parent_path()), mode_t{0700});
    EXPECT_NE(readFile(rig.file()).find(R"(https:\/\/example.com\/a\/b)"), std::string::npos);
}

TEST(OpenLoopStoreTest, AFileThatDoesNotDecodeIsMovedAsideAndTheStoreStartsEmpty)
{
    const std::string cases[] = {
        "{not json",
        "",
        "[]",
        R"({"loops":[{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","text":"t","action":"a","target":"note",)"
        R"("receipt":"r","appName":"A","windowTitle":"","cueTokens":[],"createdAt":1,"closed":false}]})",
        R"({"loops":[],"lastReceipt":7})",
    };
    for (const auto& content : cases) {
        SCOPED_TRACE(content);
        OpenLoopRig rig;
        writeFile(rig.file(), content);
        Log::Capture log;
        rig.store = rig.makeStore();

        EXPECT_TRUE(rig.store->loops().empty());
        EXPECT_EQ(rig.store->lastReceipt(), std::nullopt);
        EXPECT_TRUE(rig.store->isPersisting());
        const auto aside = asideFiles(rig.file().parent_path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(aside[0].filename(), "open-loops.json.corrupt");
        EXPECT_EQ(readFile(aside[0]), content);
        EXPECT_FALSE(fs::exists(rig.file()));
        EXPECT_EQ(log.count("❌ OpenLoopStore: "), 1u);
        EXPECT_TRUE(log.contains(aside[0].string()));

        rig.park("new");
        EXPECT_EQ(texts(fileContent(rig.file()).loops), std::vector<std::string>{"new"});
        EXPECT_EQ(readFile(aside[0]), content);
    }
}

TEST(OpenLoopStoreTest, AnEarlierCopyAsideIsNeverReplaced)
{
    OpenLoopRig rig;
    const fs::path first = rig.file().string() + ".corrupt";
    writeFile(first, "older");
    writeFile(rig.file(), "newer {");
    rig.store = rig.makeStore();

    EXPECT_EQ(readFile(first), "older");
    EXPECT_EQ(readFile(first.string() + "-2"), "newer {");
    EXPECT_TRUE(rig.store->loops().empty());
}

TEST(OpenLoopStoreTest, AFileThatCannotBeReadIsLeftAloneAndChangesStayInMemory)
{
    OpenLoopRig rig;
    fs::create_directories(rig.file());  // reading a folder fails
    Log::Capture log;
    rig.store = rig.makeStore();

    EXPECT_TRUE(log.contains("❌ OpenLoopStore: could not read"));
    EXPECT_FALSE(rig.store->isPersisting());
    rig.park("kept");
    EXPECT_EQ(texts(rig.store->loops()), std::vector<std::string>{"kept"});
    EXPECT_TRUE(fs::is_directory(rig.file()));
    EXPECT_TRUE(asideFiles(rig.file().parent_path()).empty());
}

TEST(OpenLoopStoreTest, AFailedSaveKeepsTheChangeAndTheNextChangeWritesBoth)
{
    OpenLoopRig rig;
    const fs::path folder = rig.file().parent_path();
    fs::remove_all(folder);
    writeFile(folder, "a file where the folder belongs");

    Log::Capture log;
    rig.park("first");
    EXPECT_TRUE(log.contains("❌ OpenLoopStore: could not save"));
    EXPECT_EQ(texts(rig.store->loops()), std::vector<std::string>{"first"});

    fs::remove(folder);
    rig.park("second");
    EXPECT_EQ(texts(fileContent(rig.file()).loops), (std::vector<std::string>{"second", "first"}));
}

TEST(OpenLoopStoreTest, WithoutAnApplicationSupportFolderTheStoreLivesInMemory)
{
    OpenLoopRig rig;
    Log::Capture log;
    auto store = rig.makeStore(std::nullopt);
    EXPECT_TRUE(log.contains("❌ OpenLoopStore: no Application Support folder"));
    EXPECT_FALSE(store->isPersisting());
    EXPECT_EQ(store->fileURL(), std::nullopt);
    store->park("t", "t", "note", "r", std::nullopt, HostCaptureContext{}, {});
    EXPECT_EQ(store->loops().size(), 1u);
}

}  // namespace
}  // namespace qm
