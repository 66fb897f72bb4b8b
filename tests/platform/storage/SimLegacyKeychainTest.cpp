#include "platform/sim/storage/SimLegacyKeychain.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using ItemClass = LegacyKeychain::ItemClass;
using Kind = SimLegacyKeychain::Call::Kind;

LegacyKeychain::Item generic(std::string service, std::optional<std::string> account,
                             std::optional<std::string> data, bool requiresUserInteraction = false)
{
    return {ItemClass::genericPassword, std::move(service), std::move(account), std::move(data),
            requiresUserInteraction};
}

LegacyKeychain::Item internet(std::string server, std::optional<std::string> account, std::string data)
{
    return {ItemClass::internetPassword, std::move(server), std::move(account), std::move(data), false};
}

LegacyKeychain::Query readOne(ItemClass itemClass, std::string service, std::string account)
{
    LegacyKeychain::Query query;
    query.itemClass = itemClass;
    query.service = std::move(service);
    query.account = std::move(account);
    query.returnData = true;
    query.skipAuthenticationUI = true;
    return query;
}

class SimLegacyKeychainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(keychain.add(generic("svc", "alice", "a-secret")), errSecSuccess);
        ASSERT_EQ(keychain.add(generic("svc", "bob", "b-secret")), errSecSuccess);
        ASSERT_EQ(keychain.add(generic("svc", "locked", "l-secret", true)), errSecSuccess);
        ASSERT_EQ(keychain.add(internet("svc", "alice", "web-secret")), errSecSuccess);
        ASSERT_EQ(keychain.add(internet("svc", std::nullopt, "no-account")), errSecSuccess);
        keychain.clearCalls();
    }

    SimLegacyKeychain keychain;
};

TEST_F(SimLegacyKeychainTest, ReadsOneItemByClassServiceAndAccount)
{
    struct Case {
        LegacyKeychain::Query query;
        SecStatus status;
        std::optional<std::string> data;
    };
    const Case cases[] = {
        {readOne(ItemClass::genericPassword, "svc", "alice"), errSecSuccess, "a-secret"},
        {readOne(ItemClass::internetPassword, "svc", "alice"), errSecSuccess, "web-secret"},
        {readOne(ItemClass::genericPassword, "svc", "carol"), errSecItemNotFound, std::nullopt},
        {readOne(ItemClass::genericPassword, "other", "alice"), errSecItemNotFound, std::nullopt},
        {readOne(ItemClass::genericPassword, "SVC", "alice"), errSecItemNotFound, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query.service + "/" + *c.query.account);
        auto result = keychain.copyMatching(c.query);
        EXPECT_EQ(result.status, c.status);
        if (c.data) {
            ASSERT_EQ(result.matches.size(), 1u);
            EXPECT_EQ(result.matches[0].data, c.data);
            EXPECT_FALSE(result.matches[0].account) << "attributes were not asked for";
        } else {
            EXPECT_TRUE(result.matches.empty());
        }
    }
}

TEST_F(SimLegacyKeychainTest, ItemNeedingUserInteractionIsNotReadWithoutPrompting)
{
    auto skipping = readOne(ItemClass::genericPassword, "svc", "locked");
    auto result = keychain.copyMatching(skipping);
    EXPECT_EQ(result.status, errSecInteractionNotAllowed);
    EXPECT_TRUE(result.matches.empty());

    auto prompting = skipping;
    prompting.skipAuthenticationUI = false;
    EXPECT_EQ(keychain.copyMatching(prompting).status, errSecAuthFailed);

    // Its attributes are not protected, only its data.
    auto attributesOnly = skipping;
    attributesOnly.returnData = false;
    attributesOnly.returnAttributes = true;
    result = keychain.copyMatching(attributesOnly);
    ASSERT_EQ(result.status, errSecSuccess);
    ASSERT_EQ(result.matches.size(), 1u);
    EXPECT_EQ(result.matches[0].account, "locked");
    EXPECT_FALSE(result.matches[0].data);
}

TEST_F(SimLegacyKeychainTest, MatchAllGivesEveryItemOfTheServiceInOrder)
{
    LegacyKeychain::Query query;
    query.itemClass = ItemClass::internetPassword;
    query.service = "svc";
    query.returnData = true;
    query.returnAttributes = true;
    query.matchAll = true;
    auto result = keychain.copyMatching(query);
    ASSERT_EQ(result.status, errSecSuccess);
    ASSERT_EQ(result.matches.size(), 2u);
    EXPECT_EQ(result.matches[0].account, "alice");
    EXPECT_EQ(result.matches[0].data, "web-secret");
    EXPECT_FALSE(result.matches[1].account) << "an item without an account attribute stays without one";
    EXPECT_EQ(result.matches[1].data, "no-account");

    // A probe that asks for nothing back still tells whether something matched.
    LegacyKeychain::Query probe;
    probe.service = "svc";
    result = keychain.copyMatching(probe);
    EXPECT_EQ(result.status, errSecSuccess);
    EXPECT_TRUE(result.matches.empty());
}

TEST_F(SimLegacyKeychainTest, AddRefusesDuplicatesOfTheSameClassServiceAndAccount)
{
    EXPECT_EQ(keychain.add(generic("svc", "alice", "again")), errSecDuplicateItem);
    EXPECT_EQ(keychain.add(generic("svc", std::nullopt, "first without account")), errSecSuccess);
    EXPECT_EQ(keychain.add(generic("svc", std::nullopt, "second")), errSecDuplicateItem);
    EXPECT_EQ(keychain.add(internet("svc", "bob", "web")), errSecSuccess);
    auto result = keychain.copyMatching(readOne(ItemClass::genericPassword, "svc", "alice"));
    EXPECT_EQ(result.matches.at(0).data, "a-secret");
}

TEST_F(SimLegacyKeychainTest, DeletesOneItemOrAWholeServiceOfOneClass)
{
    EXPECT_EQ(keychain.deleteItem(ItemClass::genericPassword, "svc", "alice"), errSecSuccess);
    EXPECT_EQ(keychain.deleteItem(ItemClass::genericPassword, "svc", "alice"), errSecItemNotFound);
    EXPECT_FALSE(keychain.contains(ItemClass::genericPassword, "svc", "alice"));
    EXPECT_TRUE(keychain.contains(ItemClass::internetPassword, "svc", "alice"));
    EXPECT_TRUE(keychain.contains(ItemClass::genericPassword, "svc", "bob"));

    EXPECT_EQ(keychain.deleteAll(ItemClass::genericPassword, "svc"), errSecSuccess);
    EXPECT_EQ(keychain.deleteAll(ItemClass::genericPassword, "svc"), errSecItemNotFound);
    ASSERT_EQ(keychain.items().size(), 2u);
    for (const auto& item : keychain.items()) {
        EXPECT_EQ(item.itemClass, ItemClass::internetPassword);
    }
}

TEST_F(SimLegacyKeychainTest, RecordsEveryCallInOrder)
{
    keychain.copyMatching(readOne(ItemClass::genericPassword, "svc", "alice"));
    keychain.deleteItem(ItemClass::genericPassword, "svc", "nobody");
    keychain.deleteAll(ItemClass::internetPassword, "svc");

    auto calls = keychain.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, Kind::copyMatching);
    EXPECT_TRUE(calls[0].askedForData);
    EXPECT_EQ(calls[0].account, "alice");
    EXPECT_EQ(calls[0].status, errSecSuccess);
    EXPECT_EQ(calls[1].kind, Kind::deleteItem);
    EXPECT_EQ(calls[1].status, errSecItemNotFound);
    EXPECT_EQ(calls[2].kind, Kind::deleteAll);
    EXPECT_EQ(calls[2].itemClass, ItemClass::internetPassword);
    EXPECT_FALSE(calls[2].account);
    EXPECT_EQ(keychain.callCount(Kind::copyMatching), 1u);
    EXPECT_EQ(keychain.callCount(Kind::add), 0u);

    keychain.items();
    keychain.contains(ItemClass::genericPassword, "svc", "bob");
    EXPECT_EQ(keychain.calls().size(), 3u) << "inspecting the items is not a keychain call";
    keychain.clearCalls();
    EXPECT_TRUE(keychain.calls().empty());
}

}  // namespace
}  // namespace qm
