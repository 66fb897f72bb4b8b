#include "store/KeychainHelper.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/sim/storage/SimLegacyKeychain.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace qm {

static void PrintTo(KeychainHelper::LoadResult::Status status, std::ostream* out)
{
    using S = KeychainHelper::LoadResult::Status;
    *out << (status == S::found ? "found" : status == S::notFound ? "notFound" : "unreadable");
}

namespace {

namespace fs = std::filesystem;
using ItemClass = LegacyKeychain::ItemClass;
using CallKind = SimLegacyKeychain::Call::Kind;
using Status = KeychainHelper::LoadResult::Status;

constexpr std::string_view kDefault = KeychainHelper::service;

mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::string contentsOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Every test gets its own Application Support folder and its own keychain, and
// starts as a fresh process would: the legacy move has not run yet.
class KeychainHelperTest : public ::testing::Test {
protected:
    // A new launch over the same folder and keychain (none: no Application Support folder).
    void relaunch(std::optional<fs::path> applicationSupport)
    {
        secrets.reset();
        secrets = std::make_unique<KeychainHelper>(&keychain, std::move(applicationSupport));
    }
    void relaunch() { relaunch(dataHome()); }

    fs::path dataHome() const { return temp / "data"; }
    fs::path secretsFolder() const { return dataHome() / "com.quillmarker.app" / "local-secrets"; }

    std::vector<std::string> storedNames() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(secretsFolder(), error)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    void addLegacy(std::string service, std::string account, std::optional<std::string> data,
                   bool requiresUserInteraction = false)
    {
        ASSERT_EQ(keychain.add({ItemClass::genericPassword, std::move(service), std::move(account),
                                std::move(data), requiresUserInteraction}),
                  errSecSuccess);
    }

    bool hasLegacy(std::string_view service, std::string_view account) const
    {
        return keychain.contains(ItemClass::genericPassword, service, account);
    }

    test::TempDir temp;
    SimLegacyKeychain keychain;
    test::ScopedEnvironment testMode{"QM_TEST_MODE", std::nullopt};
    std::unique_ptr<KeychainHelper> secrets = std::make_unique<KeychainHelper>(&keychain, dataHome());
};

// ---- file names ----

struct FileNameCase {
    std::string service;
    std::string key;
    std::string fileName;
};

void PrintTo(const FileNameCase& c, std::ostream* out)
{
    *out << c.fileName;
}

class KeychainHelperFileNameTest : public KeychainHelperTest,
                                   public ::testing::WithParamInterface<FileNameCase> {};

TEST_P(KeychainHelperFileNameTest, EachSecretIsOneFlatFileNamedFromServiceAndKey)
{
    const auto& c = GetParam();
    ASSERT_EQ(secrets->save(c.service, c.key, "bytes of " + c.fileName), errSecSuccess);
    EXPECT_EQ(storedNames(), std::vector<std::string>{c.fileName});
    EXPECT_TRUE(fs::is_regular_file(secretsFolder() / c.fileName));
    EXPECT_EQ(secrets->load(c.service, c.key), "bytes of " + c.fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Names, KeychainHelperFileNameTest,
    ::testing::Values(
        FileNameCase{"com.quillmarker.app", "mcp_token", "com%2Equillmarker%2Eapp__mcp%5Ftoken.secret"},
        FileNameCase{"QuillmarkerAI", "slackToken", "QuillmarkerAI__slackToken.secret"},
        FileNameCase{"a/b", "../c", "a%2Fb__%2E%2E%2Fc.secret"},
        FileNameCase{"my service", "key with space", "my%20service__key%20with%20space.secret"},
        FileNameCase{"a__b", "_", "a%5F%5Fb__%5F.secret"}, FileNameCase{"100%", "x", "100%25__x.secret"},
        FileNameCase{"café", "日本語", "café__日本語.secret"},
        FileNameCase{"e\u0301", "٣", "e\u0301__٣.secret"},
        FileNameCase{"€", "🔑", "%E2%82%AC__%F0%9F%94%91.secret"}, FileNameCase{"", "", "__.secret"}));

TEST_F(KeychainHelperTest, DifferentServiceAndKeyPairsNeverShareAFile)
{
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"a_", "b"},  {"a", "_b"},  {"a.b", "c"},   {"a", "b.c"}, {"a", "b__c"},    {"a__b", "c"},
        {"a/b", "c"}, {"a", "b/c"}, {"a%2Fb", "c"}, {"é", "k"},   {"e\u0301", "k"}, {"A", "k"},
        {"a", "k"},   {"a b", "k"}, {"a+b", "k"},   {"", "a__k"}, {"a", ""},        {"a__", ""},
    };
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        ASSERT_EQ(secrets->save(pairs[i].first, pairs[i].second, std::to_string(i)), errSecSuccess);
    }
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(secrets->load(pairs[i].first, pairs[i].second), std::to_string(i))
            << pairs[i].first << " / " << pairs[i].second;
    }
    EXPECT_EQ(storedNames().size(), pairs.size());
}

TEST_F(KeychainHelperTest, NamesThatAreNotUtf8AreRefusedRatherThanMerged)
{
    // Both would otherwise encode as the replacement character and share a file.
    Log::Capture log;
    EXPECT_EQ(secrets->save("svc", "\xff", "one"), errSecIO);
    EXPECT_EQ(secrets->save("svc", "\xfe", "two"), errSecIO);
    EXPECT_EQ(log.count("❌ Local secret save failed (svc/"), 2u);
    EXPECT_EQ(secrets->loadWithStatus("svc", "\xff").status, Status::notFound);
    EXPECT_TRUE(storedNames().empty());
}

// ---- save, load, delete ----

TEST_F(KeychainHelperTest, SaveLoadReplaceAndDelete)
{
    const std::string binary("\x00\xff\x01 secret\n", 10);
    Log::Capture log;

    auto missing = secrets->loadWithStatus("QuillmarkerAI", "openai");
    EXPECT_EQ(missing.status, Status::notFound);
    EXPECT_FALSE(secrets->load("QuillmarkerAI", "openai"));

    ASSERT_EQ(secrets->save("QuillmarkerAI", "openai", binary, "OpenAI key"), errSecSuccess);
    auto found = secrets->loadWithStatus("QuillmarkerAI", "openai");
    EXPECT_EQ(found.status, Status::found);
    EXPECT_EQ(found.data, binary);
    EXPECT_EQ(contentsOf(secretsFolder() / "QuillmarkerAI__openai.secret"), binary)
        << "no header, no encoding";

    ASSERT_EQ(secrets->save("QuillmarkerAI", "openai", "short"), errSecSuccess);
    EXPECT_EQ(secrets->load("QuillmarkerAI", "openai"), "short");

    ASSERT_EQ(secrets->save("QuillmarkerAI", "openai", ""), errSecSuccess);
    EXPECT_EQ(secrets->loadWithStatus("QuillmarkerAI", "openai").status, Status::found)
        << "an empty secret is still a stored secret";

    secrets->remove("QuillmarkerAI", "openai");
    EXPECT_EQ(secrets->loadWithStatus("QuillmarkerAI", "openai").status, Status::notFound);
    secrets->remove("QuillmarkerAI", "openai");
    EXPECT_TRUE(storedNames().empty());
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

TEST_F(KeychainHelperTest, DeleteAlsoRemovesTheKeychainItemOfThatServiceAndAccount)
{
    secrets->purgeLegacyKeychainItemsIfNeeded();  // so the items below stay until remove()
    addLegacy("QuillmarkerAI", "slackToken", "legacy");
    addLegacy("QuillmarkerAI", "openai", "other");
    ASSERT_EQ(keychain.add({ItemClass::internetPassword, "QuillmarkerAI", "slackToken", "web", false}),
              errSecSuccess);
    ASSERT_EQ(secrets->save("QuillmarkerAI", "slackToken", "xoxb"), errSecSuccess);

    secrets->remove("QuillmarkerAI", "slackToken");

    EXPECT_FALSE(secrets->load("QuillmarkerAI", "slackToken"));
    EXPECT_FALSE(hasLegacy("QuillmarkerAI", "slackToken"));
    EXPECT_TRUE(hasLegacy("QuillmarkerAI", "openai"));
    EXPECT_TRUE(keychain.contains(ItemClass::internetPassword, "QuillmarkerAI", "slackToken"));
}

// ---- missing versus unreadable ----

TEST_F(KeychainHelperTest, UnreadableSecretIsToldApartFromAMissingOne)
{
    // Failures that hold for root too (tests may run as root, who can read any file).
    struct Case {
        const char* name;
        std::function<void(const fs::path& secretsFolder)> arrange;
        const char* logFragment;
        SecStatus saveStatus;
    };
    const Case cases[] = {
        {"secret path is a folder",
         [](const fs::path& folder) { fs::create_directories(folder / "QuillmarkerAI__openai.secret"); },
         nullptr, errSecIO},
        {"secret path is a FIFO (reading must not hang)",
         [](const fs::path& folder) {
             fs::create_directories(folder);
             ASSERT_EQ(::mkfifo((folder / "QuillmarkerAI__openai.secret").c_str(), 0600), 0);
         },
         nullptr, errSecSuccess},
        {"store folder is a file",
         [](const fs::path& folder) {
             fs::create_directories(folder.parent_path());
             writeFile(folder, "not a folder");
         },
         "❌ Failed to create local secrets directory: ", errSecIO},
        {"no Application Support folder", [this](const fs::path&) { relaunch(std::nullopt); }, nullptr,
         errSecIO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dataHome());
        relaunch();
        c.arrange(secretsFolder());
        Log::Capture log;

        auto result = secrets->loadWithStatus("QuillmarkerAI", "openai");
        EXPECT_EQ(result.status, Status::unreadable);
        EXPECT_FALSE(secrets->load("QuillmarkerAI", "openai"));
        EXPECT_EQ(secrets->save("QuillmarkerAI", "openai", "new key"), c.saveStatus);
        if (c.logFragment) {
            EXPECT_TRUE(log.contains(c.logFragment));
        }
    }
}

TEST_F(KeychainHelperTest, FailedWriteReportsIoErrorAndLogsItsCause)
{
    // A non-empty folder at the target name cannot be replaced by a rename, even by root.
    fs::create_directories(secretsFolder() / "QuillmarkerAI__slackToken.secret" / "inside");
    Log::Capture log;
    EXPECT_EQ(secrets->save("QuillmarkerAI", "slackToken", "xoxb-123"), errSecIO);
    EXPECT_EQ(log.count("❌ Local secret save failed (QuillmarkerAI/slackToken): "), 1u);
    EXPECT_FALSE(log.contains("xoxb-123")) << "the secret never reaches the log";
}

// ---- permissions ----

TEST_F(KeychainHelperTest, SecretFilesAre0600InsideA0700FolderWhateverTheUmask)
{
    const mode_t previous = ::umask(022);
    ASSERT_EQ(secrets->save(kDefault, "mcp_token", "token"), errSecSuccess);
    const auto file = secretsFolder() / "com%2Equillmarker%2Eapp__mcp%5Ftoken.secret";
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(modeOf(secretsFolder()), 0700u);

    // A replacement is a new file, created private: it never inherits a wider mode.
    ::chmod(file.c_str(), 0644);
    ASSERT_EQ(secrets->save(kDefault, "mcp_token", "token 2"), errSecSuccess);
    EXPECT_EQ(modeOf(file), 0600u);
    ::umask(previous);
}

TEST_F(KeychainHelperTest, ExistingWideStoreFolderIsTightenedTo0700)
{
    fs::create_directories(secretsFolder());
    ::chmod(secretsFolder().c_str(), 0755);
    ASSERT_EQ(modeOf(secretsFolder()), 0755u);

    EXPECT_FALSE(secrets->load(kDefault, "mcp_token"));
    EXPECT_EQ(modeOf(secretsFolder()), 0700u);
}

// ---- the legacy move ----

struct LegacyMoveCase {
    std::string legacyService;
    std::string legacyAccount;
    std::string service;
    std::string key;
};

void PrintTo(const LegacyMoveCase& c, std::ostream* out)
{
    *out << c.legacyService << "/" << c.legacyAccount;
}

class KeychainHelperLegacyMoveTest : public KeychainHelperTest,
                                     public ::testing::WithParamInterface<LegacyMoveCase> {};

TEST_P(KeychainHelperLegacyMoveTest, LegacyItemMovesToItsFileAndLeavesTheKeychain)
{
    const auto& c = GetParam();
    addLegacy(c.legacyService, c.legacyAccount, "secret of " + c.legacyService);
    Log::Capture log;

    // The first operation of the process performs the move before it reads.
    EXPECT_EQ(secrets->load(c.service, c.key), "secret of " + c.legacyService);

    EXPECT_FALSE(hasLegacy(c.legacyService, c.legacyAccount));
    EXPECT_EQ(modeOf(secretsFolder() / storedNames().at(0)), 0600u);
    EXPECT_EQ(storedNames().size(), 1u);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"🔑 Migrated legacy Keychain item " + c.legacyService +
                                                    "/" + c.legacyAccount + " → file store."});
}

INSTANTIATE_TEST_SUITE_P(
    AllSevenItems, KeychainHelperLegacyMoveTest,
    ::testing::Values(LegacyMoveCase{"com.quillmarker.app", "fieldMemory.encryptionKey",
                                     "com.quillmarker.app", "fieldMemory.encryptionKey"},
                      LegacyMoveCase{"com.quillmarker.app", "mcp_token", "com.quillmarker.app", "mcp_token"},
                      LegacyMoveCase{"QuillmarkerFieldMemory", "encryptionKey", "com.quillmarker.app",
                                     "fieldMemory.encryptionKey"},
                      LegacyMoveCase{"QuillmarkerAI", "slackToken", "QuillmarkerAI", "slackToken"},
                      LegacyMoveCase{"QuillmarkerAI", "openai", "QuillmarkerAI", "openai"},
                      LegacyMoveCase{"QuillmarkerAI", "anthropic", "QuillmarkerAI", "anthropic"},
                      LegacyMoveCase{"NorvoAI", "slackToken", "QuillmarkerAI", "slackToken"}));

TEST_F(KeychainHelperTest, ItemsOutsideTheLegacyListAreLeftAlone)
{
    addLegacy("QuillmarkerAI", "gemini", "g");
    addLegacy("NorvoAI", "openai", "o");
    addLegacy("com.quillmarker.app", "other", "x");
    secrets->purgeLegacyKeychainItemsIfNeeded();
    EXPECT_TRUE(hasLegacy("QuillmarkerAI", "gemini"));
    EXPECT_TRUE(hasLegacy("NorvoAI", "openai"));
    EXPECT_TRUE(hasLegacy("com.quillmarker.app", "other"));
    EXPECT_TRUE(storedNames().empty());
}

TEST_F(KeychainHelperTest, EarlierLegacyItemWinsWhenTwoLandInTheSameFile)
{
    struct Case {
        LegacyMoveCase winner;
        LegacyMoveCase loser;
    };
    const Case cases[] = {
        {{"QuillmarkerAI", "slackToken", "QuillmarkerAI", "slackToken"},
         {"NorvoAI", "slackToken", "QuillmarkerAI", "slackToken"}},
        {{"com.quillmarker.app", "fieldMemory.encryptionKey", "com.quillmarker.app",
          "fieldMemory.encryptionKey"},
         {"QuillmarkerFieldMemory", "encryptionKey", "com.quillmarker.app", "fieldMemory.encryptionKey"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.winner.legacyService + "/" + c.winner.legacyAccount);
        fs::remove_all(dataHome());
        relaunch();
        // The loser is added first, so only the list's order can make the winner win.
        addLegacy(c.loser.legacyService, c.loser.legacyAccount, "loser");
        addLegacy(c.winner.legacyService, c.winner.legacyAccount, "winner");
        Log::Capture log;

        EXPECT_EQ(secrets->load(c.winner.service, c.winner.key), "winner");
        EXPECT_FALSE(hasLegacy(c.winner.legacyService, c.winner.legacyAccount));
        EXPECT_FALSE(hasLegacy(c.loser.legacyService, c.loser.legacyAccount)) << "deleted unwritten";
        EXPECT_EQ(log.lines(),
                  std::vector<std::string>{"🔑 Migrated legacy Keychain item " + c.winner.legacyService + "/" +
                                           c.winner.legacyAccount + " → file store."});
    }
}

TEST_F(KeychainHelperTest, ExistingFileWinsOverTheLegacyItemSilently)
{
    fs::create_directories(secretsFolder());
    writeFile(secretsFolder() / "QuillmarkerAI__anthropic.secret", "current");
    addLegacy("QuillmarkerAI", "anthropic", "legacy");
    Log::Capture log;

    EXPECT_EQ(secrets->load("QuillmarkerAI", "anthropic"), "current");
    EXPECT_FALSE(hasLegacy("QuillmarkerAI", "anthropic"));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(KeychainHelperTest, ItemThatNeedsUserInteractionStaysAndIsTriedAgainNextLaunch)
{
    addLegacy("QuillmarkerAI", "openai", "sk-legacy", /*requiresUserInteraction=*/true);
    addLegacy("QuillmarkerAI", "anthropic", "ak-legacy");
    Log::Capture log;

    secrets->purgeLegacyKeychainItemsIfNeeded();

    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{
                  "🔑 Legacy Keychain item QuillmarkerAI/openai requires UI to read; left in place.",
                  "🔑 Migrated legacy Keychain item QuillmarkerAI/anthropic → file store.",
              }));
    EXPECT_TRUE(hasLegacy("QuillmarkerAI", "openai"));
    for (const auto& call : keychain.calls()) {
        if (call.kind == CallKind::copyMatching) {
            EXPECT_TRUE(call.askedForData);
        }
        EXPECT_FALSE(call.kind == CallKind::deleteItem && call.account == "openai") << "left in place";
    }
    EXPECT_EQ(secrets->loadWithStatus("QuillmarkerAI", "openai").status, Status::notFound);

    // The next launch: the item can be read now.
    keychain.deleteItem(ItemClass::genericPassword, "QuillmarkerAI", "openai");
    addLegacy("QuillmarkerAI", "openai", "sk-legacy");
    relaunch();
    EXPECT_EQ(secrets->load("QuillmarkerAI", "openai"), "sk-legacy");
    EXPECT_FALSE(hasLegacy("QuillmarkerAI", "openai"));
}

TEST_F(KeychainHelperTest, LegacyItemWithoutDataIsDeletedWithoutMakingAFile)
{
    addLegacy("QuillmarkerAI", "openai", "");
    addLegacy("QuillmarkerAI", "anthropic", std::nullopt);
    Log::Capture log;
    secrets->purgeLegacyKeychainItemsIfNeeded();
    EXPECT_FALSE(hasLegacy("QuillmarkerAI", "openai"));
    EXPECT_FALSE(hasLegacy("QuillmarkerAI", "anthropic"));
    EXPECT_TRUE(storedNames().empty());
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(KeychainHelperTest, LegacyItemStaysWhenItsFileCannotBeWritten)
{
    addLegacy("QuillmarkerAI", "slackToken", "xoxb");
    addLegacy("QuillmarkerAI", "openai", "sk");
    fs::create_directories(secretsFolder() / "QuillmarkerAI__slackToken.secret" / "inside");
    Log::Capture log;

    secrets->purgeLegacyKeychainItemsIfNeeded();
    EXPECT_TRUE(hasLegacy("QuillmarkerAI", "slackToken"));
    EXPECT_FALSE(log.contains("QuillmarkerAI/slackToken → file store"));
    EXPECT_FALSE(hasLegacy("QuillmarkerAI", "openai")) << "one failure does not stop the others";

    // Without a store folder nothing can be moved.
    relaunch(std::nullopt);
    secrets->purgeLegacyKeychainItemsIfNeeded();
    EXPECT_TRUE(hasLegacy("QuillmarkerAI", "slackToken"));
}

TEST_F(KeychainHelperTest, ProbeItemsAreDeletedButNotInternetPasswordsOfTheSameName)
{
    addLegacy("QuillmarkerKeychainAuthTest", "probe", "p");
    addLegacy("QuillmarkerKeychainAuthTest", "another", "q");
    ASSERT_EQ(keychain.add({ItemClass::internetPassword, "QuillmarkerKeychainAuthTest", "web", "w", false}),
              errSecSuccess);
    secrets->purgeLegacyKeychainItemsIfNeeded();
    EXPECT_FALSE(hasLegacy("QuillmarkerKeychainAuthTest", "probe"));
    EXPECT_FALSE(hasLegacy("QuillmarkerKeychainAuthTest", "another"));
    EXPECT_TRUE(keychain.contains(ItemClass::internetPassword, "QuillmarkerKeychainAuthTest", "web"));
}

TEST_F(KeychainHelperTest, TestModeOneSkipsTheMoveEntirelyAndAnyOtherValueLetsItRun)
{
    struct Case {
        std::optional<std::string> value;
        bool moves;
    };
    const Case cases[] = {{"1", false},   {"0", true},  {"", true},
                          {"true", true}, {" 1", true}, {std::nullopt, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? "QM_TEST_MODE=\"" + *c.value + "\"" : "QM_TEST_MODE unset");
        fs::remove_all(dataHome());
        relaunch();
        test::ScopedEnvironment mode("QM_TEST_MODE", c.value);
        for (const auto& item : keychain.items()) {
            keychain.deleteItem(item.itemClass, item.service, *item.account);
        }
        addLegacy("QuillmarkerAI", "openai", "sk");
        addLegacy("QuillmarkerKeychainAuthTest", "probe", "p");
        keychain.clearCalls();

        const auto loaded = secrets->load("QuillmarkerAI", "openai");

        if (c.moves) {
            EXPECT_EQ(loaded, "sk");
            EXPECT_EQ(keychain.callCount(CallKind::copyMatching), 7u);
            EXPECT_TRUE(keychain.items().empty());
        } else {
            EXPECT_FALSE(loaded);
            EXPECT_TRUE(keychain.calls().empty()) << "nothing read or deleted";
            EXPECT_EQ(keychain.items().size(), 2u);
        }
    }
}

TEST_F(KeychainHelperTest, MoveRunsOncePerLaunch)
{
    addLegacy("QuillmarkerAI", "openai", "sk");
    secrets->purgeLegacyKeychainItemsIfNeeded();
    EXPECT_EQ(secrets->load("QuillmarkerAI", "openai"), "sk");
    const auto readsAfterFirstMove = keychain.callCount(CallKind::copyMatching);
    EXPECT_EQ(readsAfterFirstMove, 7u);

    addLegacy("QuillmarkerAI", "anthropic", "ak");
    secrets->purgeLegacyKeychainItemsIfNeeded();
    EXPECT_FALSE(secrets->load("QuillmarkerAI", "anthropic"));
    secrets->save(kDefault, "mcp_token", "t");
    secrets->remove(kDefault, "nothing");
    EXPECT_EQ(keychain.callCount(CallKind::copyMatching), readsAfterFirstMove);
    EXPECT_TRUE(hasLegacy("QuillmarkerAI", "anthropic"));

    // Once QM_TEST_MODE=1 has skipped it, the launch has had its one chance.
    relaunch();
    {
        test::ScopedEnvironment mode("QM_TEST_MODE", "1");
        secrets->purgeLegacyKeychainItemsIfNeeded();
    }
    EXPECT_FALSE(secrets->load("QuillmarkerAI", "anthropic"));
    EXPECT_TRUE(hasLegacy("QuillmarkerAI", "anthropic"));
}

// ---- threads ----

TEST_F(KeychainHelperTest, NoCallerSeesALegacySecretAsMissingWhileTheMoveRuns)
{
    addLegacy(kDefault.data(), "fieldMemory.encryptionKey", "the old key");
    std::vector<std::optional<KeychainHelper::Bytes>> seen(6);
    std::vector<std::thread> threads;
    threads.emplace_back([this] { secrets->purgeLegacyKeychainItemsIfNeeded(); });
    for (auto& slot : seen) {
        threads.emplace_back([this, &slot] { slot = secrets->load(kDefault, "fieldMemory.encryptionKey"); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& value : seen) {
        EXPECT_EQ(value, "the old key");
    }
    EXPECT_EQ(keychain.callCount(CallKind::copyMatching), 7u) << "the move ran exactly once";
}

TEST_F(KeychainHelperTest, ParallelSavesAndLoadsNeverTearASecret)
{
    constexpr int kThreads = 6;
    constexpr int kRounds = 25;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t, &failures] {
            const std::string own = "thread-" + std::to_string(t);
            const std::string shared(1000 + t, static_cast<char>('a' + t));
            for (int round = 0; round < kRounds; ++round) {
                const std::string value = own + "#" + std::to_string(round);
                failures[t] += secrets->save("QuillmarkerAI", own, value) != errSecSuccess;
                failures[t] += secrets->load("QuillmarkerAI", own) != value;
                failures[t] += secrets->save(kDefault, "shared", shared) != errSecSuccess;
                auto read = secrets->load(kDefault, "shared");
                // Whoever wrote last, the value is one whole write.
                failures[t] += !read || read->size() < 1000 || read->size() >= 1000 + kThreads ||
                               read->find_first_not_of(read->front()) != std::string::npos;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    }
    EXPECT_EQ(storedNames().size(), static_cast<std::size_t>(kThreads + 1))
        << "no temporary file left behind";
}

}  // namespace
}  // namespace qm
