// The field-memory key: read once, created only when the store says there is
// none, never replaced because one read failed, and created once when the
// first uses race.
#include <atomic>
#include <functional>
#include <latch>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Log.h"
#include "store/KeychainHelper.h"
#include "store/KeychainSecretStore.h"
#include "suggestions/FieldMemoryRig.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kSafari = "com.apple.Safari";

// Runs each test against the in-memory store and against the program's real
// file store in this test's folder; either can be made unreadable for exactly
// one read.
class FieldMemoryKeyTest : public FieldMemoryRig, public ::testing::WithParamInterface<bool> {
protected:
    bool usesFileStore() const { return GetParam(); }
    SecretStore& store() { return usesFileStore() ? static_cast<SecretStore&>(fileStore) : secrets; }

    void failNextRead()
    {
        if (usesFileStore()) {
            fileStore.failsNext = true;
        } else {
            secrets.failNextReads(1);
        }
    }

    std::optional<std::string> keyInStore()
    {
        auto loaded = store().loadWithStatus(KeychainHelper::service, FieldMemoryEngine::keyItem);
        if (loaded.status != SecretStore::LoadResult::Status::found) {
            return std::nullopt;
        }
        return loaded.data;
    }

    // The program's file store, one of whose reads the test can make fail.
    class FileStore final : public SecretStore {
    public:
        explicit FileStore(const std::filesystem::path& applicationSupport)
            : helper_(nullptr, applicationSupport), files_(helper_)
        {
        }
        LoadResult loadWithStatus(std::string_view service, std::string_view key) override
        {
            if (failsNext.exchange(false)) {
                return {LoadResult::Status::unreadable, {}};
            }
            return files_.loadWithStatus(service, key);
        }
        SecStatus save(std::string_view service, std::string_view key, std::string_view data,
                       std::optional<std::string_view> label) override
        {
            return files_.save(service, key, data, label);
        }

        std::atomic<bool> failsNext{false};

    private:
        KeychainHelper helper_;
        KeychainSecretStore files_;
    };

    FileStore fileStore{dir.path()};
};

TEST_P(FieldMemoryKeyTest, OneUnreadableReadNeverReplacesTheKey)
{
    // A first run learns values and seals a knowledge entry.
    auto firstRun = makeEngine(store());
    const std::vector<std::string> values = {"joan@example.com", "jonas@example.com", "jo@example.com"};
    for (const auto& value : values) {
        firstRun->learnFieldValue(FieldContext::email, "Email", value, kSafari, "example.com");
    }
    const auto knowledge = firstRun->encrypt("decision: ship on Friday");
    ASSERT_TRUE(knowledge);
    drain();
    const auto key = keyInStore();
    ASSERT_TRUE(key);
    firstRun.reset();

    // The next run starts while the store cannot be read.
    auto nextRun = makeEngine(store());
    failNextRead();
    {
        Log::Capture log;
        EXPECT_THAT(nextRun->getSuggestions(FieldContext::email, kSafari, "example.com", ""), IsEmpty());
        EXPECT_TRUE(log.contains("❌ Field memory encryption key could not be read"));
    }
    EXPECT_EQ(keyInStore(), key);

    // Readable again: everything stored before still opens, and new values join it.
    EXPECT_THAT(nextRun->getSuggestions(FieldContext::email, kSafari, "example.com", ""),
                ::testing::UnorderedElementsAreArray(values));
    EXPECT_EQ(nextRun->decrypt(*knowledge), "decision: ship on Friday");
    nextRun->learnFieldValue(FieldContext::email, "Email", "new@example.com", kSafari, "example.com");
    drain();
    EXPECT_EQ(keyInStore(), key);

    // A failed read while sealing gives nothing rather than a box under a temporary key.
    auto thirdRun = makeEngine(store());
    failNextRead();
    EXPECT_EQ(thirdRun->encrypt("anything"), std::nullopt);
    EXPECT_EQ(thirdRun->getSuggestions(FieldContext::email, kSafari, "example.com", "new"),
              std::vector<std::string>{"new@example.com"});
    EXPECT_EQ(keyInStore(), key);
}

TEST_P(FieldMemoryKeyTest, RacingFirstUsesCreateOneKey)
{
    secrets.setReadDelay(
        0.05);  // the in-memory store: every first use is still reading when the others start
    auto engine = makeEngine(store());

    constexpr int kThreads = 8;
    std::vector<std::optional<std::string>> boxes(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            boxes[static_cast<std::size_t>(i)] = engine->encrypt("value " + std::to_string(i));
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    if (!usesFileStore()) {
        EXPECT_EQ(secrets.saveCount(), 1u);
        EXPECT_EQ(secrets.readCount(), 1u);
    }
    // A later run, reading the one key from the store, opens every box.
    auto later = makeEngine(store());
    for (int i = 0; i < kThreads; ++i) {
        const auto& box = boxes[static_cast<std::size_t>(i)];
        ASSERT_TRUE(box) << i;
        EXPECT_EQ(later->decrypt(*box), "value " + std::to_string(i));
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, FieldMemoryKeyTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FileStore" : "InMemoryStore"; });

}  // namespace
}  // namespace qm::test
