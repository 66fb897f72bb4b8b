#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "knowledge/MCPSuggestionQueue.h"
#include "platform/sim/runtime/SimClock.h"

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Suggestion = MCPSuggestionQueue::MCPSuggestion;

class MCPSuggestionQueueTest : public ::testing::Test {
protected:
    std::vector<std::string> titles()
    {
        std::vector<std::string> result;
        for (const auto& suggestion : queue.getActiveSuggestions()) {
            result.push_back(suggestion.title);
        }
        return result;
    }

    static nlohmann::json entries(int from, int to)
    {
        auto list = nlohmann::json::array();
        for (int i = from; i < to; ++i) {
            list.push_back({{"title", "t" + std::to_string(i)}, {"actionText", "a"}});
        }
        return list;
    }

    SimClock clock;
    MCPSuggestionQueue queue{clock};
};

TEST_F(MCPSuggestionQueueTest, ReadsEachKeyWithItsDefaults)
{
    queue.push(nlohmann::json::parse(R"([
        {"title": "full", "actionText": "do it", "body": "why", "priority": 2, "ttlSeconds": 30.5, "sourceLabel": "tool"},
        {"title": "bare", "actionText": ""},
        {"title": "fraction", "actionText": "x", "priority": 2.5, "ttlSeconds": 20},
        {"title": "whole float", "actionText": "x", "priority": 3.0, "body": 7, "sourceLabel": null},
        {"title": "text priority", "actionText": "x", "priority": "1", "ttlSeconds": "60"},
        {"title": "no action"},
        {"title": 5, "actionText": "x"},
        "not an object"
    ])"));
    const auto held = queue.getActiveSuggestions();
    ASSERT_EQ(held.size(), 5u);

    EXPECT_EQ(held[0].title, "full");
    EXPECT_EQ(held[0].actionText, "do it");
    EXPECT_EQ(held[0].body, "why");
    EXPECT_EQ(held[0].priority, 2);
    EXPECT_EQ(held[0].expiresAt, clock.now() + 30.5);
    EXPECT_EQ(held[0].sourceLabel, "tool");

    EXPECT_EQ(held[1].title, "bare");
    EXPECT_EQ(held[1].body, std::nullopt);
    EXPECT_EQ(held[1].priority, 5);
    EXPECT_EQ(held[1].expiresAt, clock.now() + 10);
    EXPECT_EQ(held[1].sourceLabel, std::nullopt);

    EXPECT_EQ(held[2].priority, 5) << "2.5 is no integer";
    EXPECT_EQ(held[2].expiresAt, clock.now() + 20);
    EXPECT_EQ(held[3].priority, 3);
    EXPECT_EQ(held[3].body, std::nullopt);
    EXPECT_EQ(held[4].priority, 5);
    EXPECT_EQ(held[4].expiresAt, clock.now() + 10);

    // Every push makes new ids, even for the same content.
    queue.push(nlohmann::json::parse(R"([{"title": "bare", "actionText": ""}])"));
    const auto again = queue.getActiveSuggestions();
    ASSERT_EQ(again.size(), 6u);
    EXPECT_EQ(again[5].title, again[1].title);
    EXPECT_NE(again[5], again[1]);
}

TEST_F(MCPSuggestionQueueTest, ExpiredEntriesAreNeverSeen)
{
    queue.push(nlohmann::json::parse(R"([
        {"title": "zero", "actionText": "x", "ttlSeconds": 0},
        {"title": "negative", "actionText": "x", "ttlSeconds": -5},
        {"title": "default", "actionText": "x"},
        {"title": "long", "actionText": "x", "ttlSeconds": 60}
    ])"));
    EXPECT_THAT(titles(), ElementsAre("default", "long"));
    clock.advance(9.999);
    EXPECT_THAT(titles(), ElementsAre("default", "long"));
    clock.advance(0.001);
    EXPECT_THAT(titles(), ElementsAre("long"));
    clock.advance(51);
    EXPECT_THAT(titles(), IsEmpty());
}

TEST_F(MCPSuggestionQueueTest, HoldsTheNewestTwentyInPushOrderWhateverThePriority)
{
    queue.push(entries(0, 25));
    std::vector<std::string> expected;
    for (int i = 5; i < 25; ++i) {
        expected.push_back("t" + std::to_string(i));
    }
    EXPECT_EQ(titles(), expected);

    queue.push(nlohmann::json::parse(R"([{"title": "urgent", "actionText": "x", "priority": 0}])"));
    expected.erase(expected.begin());
    expected.push_back("urgent");
    EXPECT_EQ(titles(), expected);
}

TEST_F(MCPSuggestionQueueTest, ClearRemovesListedIdsOrEverything)
{
    queue.push(entries(0, 3));
    const auto held = queue.getActiveSuggestions();

    queue.clear(std::vector<std::string>{});
    EXPECT_EQ(titles().size(), 3u) << "an empty list removes nothing";

    queue.clear(std::vector<std::string>{text::lowercased(held[1].id.string()), "not-a-uuid", "",
                                         "{" + held[0].id.string() + "}"});
    EXPECT_THAT(titles(), ElementsAre("t0", "t2"));

    queue.clear(std::nullopt);
    EXPECT_THAT(titles(), IsEmpty());
}

}  // namespace
}  // namespace qm
