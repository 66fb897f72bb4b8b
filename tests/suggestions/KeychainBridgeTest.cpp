#include "suggestions/KeychainBridge.h"

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/storage/SimLegacyKeychain.h"

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ItemClass = LegacyKeychain::ItemClass;

LegacyKeychain::Item item(ItemClass itemClass, std::string service, std::optional<std::string> account,
                          std::optional<std::string> data)
{
    LegacyKeychain::Item result;
    result.itemClass = itemClass;
    result.service = std::move(service);
    result.account = std::move(account);
    result.data = std::move(data);
    return result;
}

// Random bytes from a script; nothing once it runs out, as a failing source.
class ScriptedBytes {
public:
    explicit ScriptedBytes(std::vector<int> bytes) : bytes_(std::move(bytes)) {}
    std::optional<std::string> operator()(std::size_t count)
    {
        if (next_ + count > bytes_.size()) {
            return std::nullopt;
        }
        std::string out;
        for (std::size_t i = 0; i < count; ++i) {
            out.push_back(static_cast<char>(bytes_[next_++]));
        }
        return out;
    }

private:
    std::vector<int> bytes_;
    std::size_t next_ = 0;
};

class KeychainBridgeTest : public ::testing::Test {
protected:
    std::vector<KeychainCredential> fetch(std::optional<std::string> domain, std::optional<std::string> app)
    {
        std::optional<std::vector<KeychainCredential>> received;
        int calls = 0;
        bridge.fetchCredentials(domain, app, [&](std::vector<KeychainCredential> credentials) {
            EXPECT_TRUE(mainLoop.isMainThread());
            ++calls;
            received = std::move(credentials);
        });
        EXPECT_TRUE(mainLoop.runUntil([&] { return received.has_value(); }));
        mainLoop.runUntilIdle();
        EXPECT_EQ(calls, 1);
        return received.value_or(std::vector<KeychainCredential>{});
    }

    SimClock clock;
    SimMainLoop mainLoop{clock};
    SimLegacyKeychain keychain;
    KeychainBridge bridge{keychain, mainLoop, [](std::size_t) { return std::optional<std::string>(); }};
};

TEST_F(KeychainBridgeTest, InternetPasswordsOfTheDomainComeFirstThenTheApplications)
{
    keychain.add(item(ItemClass::genericPassword, "com.example.mail", "me", "app-secret"));
    keychain.add(item(ItemClass::internetPassword, "example.com", "joan", "first"));
    keychain.add(item(ItemClass::internetPassword, "other.com", "joan", "elsewhere"));
    keychain.add(item(ItemClass::internetPassword, "example.com", std::nullopt, "no account"));
    keychain.add(item(ItemClass::internetPassword, "example.com", "jonas", "second"));
    keychain.add(item(ItemClass::internetPassword, "example.com", "nodata", std::nullopt));
    keychain.add(item(ItemClass::internetPassword, "example.com", "bytes", std::string("\xff\xfe", 2)));

    EXPECT_THAT(fetch("example.com", "com.example.mail"),
                ElementsAre(KeychainCredential{"joan", "example.com", "first", true},
                            KeychainCredential{"jonas", "example.com", "second", true},
                            KeychainCredential{"me", "com.example.mail", "app-secret", false}));
    EXPECT_THAT(fetch(std::nullopt, "com.example.mail"),
                ElementsAre(KeychainCredential{"me", "com.example.mail", "app-secret", false}));
    EXPECT_THAT(fetch("nothing.example", ""), IsEmpty());
}

TEST_F(KeychainBridgeTest, NoArgumentsNoQueryButStillOneAnswerOnTheMainThread)
{
    EXPECT_THAT(fetch(std::nullopt, std::nullopt), IsEmpty());
    EXPECT_THAT(fetch("", ""), IsEmpty());
    EXPECT_TRUE(keychain.calls().empty());
}

TEST_F(KeychainBridgeTest, AnItemNeedingTheUserIsSkippedWithoutAPrompt)
{
    auto guarded = item(ItemClass::genericPassword, "com.example.vault", "me", "secret");
    guarded.requiresUserInteraction = true;
    keychain.add(guarded);
    keychain.add(item(ItemClass::internetPassword, "example.com", "joan", "first"));
    EXPECT_THAT(fetch("example.com", "com.example.vault"),
                ElementsAre(KeychainCredential{"joan", "example.com", "first", true}));
}

TEST_F(KeychainBridgeTest, PasswordsAreSixteenCharactersOfTheAlphabetByteModulo70)
{
    // 0 -> 'a', 25 -> 'z', 26 -> 'A', 61 -> '9', 62 -> '!', 69 -> '*', 70 -> 'a', 115 -> 'T', 255 -> 'T'
    ScriptedBytes bytes({0, 25, 26, 61, 62, 69, 70, 115, 255, 1, 2, 3, 4, 5, 6, 7});
    KeychainBridge scripted{keychain, mainLoop, std::ref(bytes)};
    EXPECT_EQ(scripted.generateSecurePassword(), "azA9!*aTTbcdefgh");

    // A source that fails falls back, character by character, to another generator.
    ScriptedBytes shortOfBytes({0, 0, 0});
    KeychainBridge fallingBack{keychain, mainLoop, std::ref(shortOfBytes)};
    const std::string mixed = fallingBack.generateSecurePassword();
    ASSERT_EQ(mixed.size(), 16u);
    EXPECT_EQ(mixed.substr(0, 3), "aaa");

    for (int i = 0; i < 50; ++i) {
        const std::string password = bridge.generateSecurePassword();
        ASSERT_EQ(password.size(), KeychainBridge::passwordLength);
        EXPECT_EQ(password.find_first_not_of(KeychainBridge::passwordAlphabet), std::string::npos)
            << password;
    }
    EXPECT_EQ(KeychainBridge::passwordAlphabet.size(), 70u);
}

// A keychain whose every query fails with one status.
class RefusingKeychain final : public LegacyKeychain {
public:
    explicit RefusingKeychain(SecStatus status) : status_(status) {}
    CopyResult copyMatching(const Query& query) override
    {
        lastQuery = query;
        return {status_, {}};
    }
    SecStatus add(const Item&) override { return status_; }
    SecStatus deleteItem(ItemClass, std::string_view, std::string_view) override { return status_; }
    SecStatus deleteAll(ItemClass, std::string_view) override { return status_; }

    Query lastQuery;

private:
    SecStatus status_;
};

TEST_F(KeychainBridgeTest, AuthorizedUnlessTheProbeFailsAuthentication)
{
    EXPECT_TRUE(bridge.isAuthorized());  // the probe item does not exist
    ASSERT_EQ(keychain.calls().size(), 1u);
    EXPECT_EQ(keychain.calls()[0].service, "QuillmarkerKeychainAuthTest");
    EXPECT_FALSE(keychain.calls()[0].askedForData);

    for (SecStatus status : {errSecSuccess, errSecItemNotFound, errSecInteractionNotAllowed, errSecIO}) {
        RefusingKeychain refusing(status);
        EXPECT_TRUE(KeychainBridge(refusing, mainLoop, {}).isAuthorized()) << status;
    }
    RefusingKeychain denied(errSecAuthFailed);
    EXPECT_FALSE(KeychainBridge(denied, mainLoop, {}).isAuthorized());

    // Failed queries give no credentials.
    KeychainBridge refused(denied, mainLoop, {});
    std::optional<std::vector<KeychainCredential>> received;
    refused.fetchCredentials(
        "example.com", "com.example.app",
        [&](std::vector<KeychainCredential> credentials) { received = std::move(credentials); });
    ASSERT_TRUE(mainLoop.runUntil([&] { return received.has_value(); }));
    EXPECT_THAT(*received, IsEmpty());
}

}  // namespace
}  // namespace qm
