#include "settings/StatCard.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(StatCardTest, HistoryCardsShowPlainCountsAndOnlyALiveStreakIsGold)
{
    auto cards = historyStatCards(CaptureStats{});
    ASSERT_EQ(cards.size(), 5u);
    for (const auto& card : cards) {
        EXPECT_EQ(card.value, "0");
        EXPECT_FALSE(card.highlight);
    }
    CaptureStats stats;
    stats.todayCount = 3;
    stats.weekCount = 9;
    stats.totalCount = 2000;
    stats.streakDays = 1;
    stats.bestStreakDays = 12;
    cards = historyStatCards(stats);
    const std::vector<StatCard> expected = {
        {"1", "day streak", "flame.fill", true, false},
        {"3", "captured today", "sun.max.fill", false, false},
        {"9", "this week", "calendar", false, false},
        {"12", "best streak", "trophy.fill", false, false},
        {"2000", "all time", "tray.full.fill", false, false},
    };
    EXPECT_EQ(cards, expected);
}

TEST(StatCardTest, ErrorLogCardsCountEntriesAndCaseSensitiveTargets)
{
    using Entry = FallbackCaptureLoggerEntry;
    struct Case {
        std::vector<std::string> targets;
        std::string count, distinct, label;
        bool alert;
    };
    const Case cases[] = {
        {{}, "0", "0", "targets", false},
        {{"slack"}, "1", "1", "target", true},
        {{"slack", "note", "slack"}, "3", "2", "targets", true},
        {{"Slack", "slack"}, "2", "2", "targets", true},
        {{""}, "1", "1", "target", true},
    };
    for (const auto& c : cases) {
        std::vector<Entry> entries;
        for (const auto& target : c.targets) {
            Entry entry;
            entry.target = target;
            entries.push_back(entry);
        }
        const auto cards = errorLogStatCards(entries);
        ASSERT_EQ(cards.size(), 2u);
        EXPECT_EQ(cards[0].value, c.count);
        EXPECT_EQ(cards[0].label, "recorded errors");
        EXPECT_EQ(cards[1].value, c.distinct);
        EXPECT_EQ(cards[1].label, c.label);
        EXPECT_EQ(cards[0].alert, c.alert);
        EXPECT_EQ(cards[1].alert, c.alert);
    }
}

}  // namespace
}  // namespace qm
