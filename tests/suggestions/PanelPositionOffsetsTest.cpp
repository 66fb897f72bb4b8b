#include "suggestions/PanelPositionOffsets.h"

#include <gtest/gtest.h>

#include "platform/storage/UserDefaults.h"
#include "suggestions/SuggestionDefaultsKeys.h"

namespace qm {
namespace {

using Dictionary = DefaultsValue::Dictionary;

class PanelPositionOffsetsTest : public ::testing::Test {
protected:
    Dictionary stored() const
    {
        return defaults.dictionaryForKey(SuggestionDefaultsKeys::perAppPositionOffsets)
            .value_or(Dictionary{});
    }

    UserDefaults defaults{""};
    PanelPositionOffsets offsets{defaults};
};

TEST_F(PanelPositionOffsetsTest, KeepsOneOffsetPerApplication)
{
    EXPECT_FALSE(offsets.offsetFor("com.apple.TextEdit"));
    offsets.save("com.apple.TextEdit", {-40.5, 90});
    offsets.save("com.apple.Notes", {12, -3});
    offsets.save("com.apple.TextEdit", {-41, 88.25});

    EXPECT_EQ(offsets.offsetFor("com.apple.TextEdit"), (Point{-41, 88.25}));
    EXPECT_EQ(offsets.offsetFor("com.apple.Notes"), (Point{12, -3}));
    // Stored as doubles under "x" and "y".
    EXPECT_EQ(stored().at("com.apple.Notes"), DefaultsValue(Dictionary{{"x", 12.0}, {"y", -3.0}}));

    offsets.clear("com.apple.TextEdit");
    EXPECT_FALSE(offsets.offsetFor("com.apple.TextEdit"));
    EXPECT_EQ(offsets.offsetFor("com.apple.Notes"), (Point{12, -3}));
}

TEST_F(PanelPositionOffsetsTest, AnEntryWithoutBothCoordinatesIsNoOffset)
{
    defaults.set(SuggestionDefaultsKeys::perAppPositionOffsets,
                 Dictionary{{"com.a", Dictionary{{"x", 5.0}}}, {"com.b", Dictionary{{"x", 1}, {"y", 2}}}});
    EXPECT_FALSE(offsets.offsetFor("com.a"));
    // Whole numbers read as the coordinates they are.
    EXPECT_EQ(offsets.offsetFor("com.b"), (Point{1, 2}));
}

TEST_F(PanelPositionOffsetsTest, AMalformedValueCountsAsNoneAndIsReplacedByTheNextWrite)
{
    for (const DefaultsValue& malformed :
         {DefaultsValue("left"),
          DefaultsValue(Dictionary{{"com.a", Dictionary{{"x", 1.0}, {"y", 2.0}}}, {"com.b", "somewhere"}}),
          DefaultsValue(Dictionary{{"com.a", Dictionary{{"x", 1.0}, {"y", "2"}}}})}) {
        defaults.set(SuggestionDefaultsKeys::perAppPositionOffsets, malformed);
        EXPECT_FALSE(offsets.offsetFor("com.a"));
        offsets.save("com.c", {3, 4});
        EXPECT_EQ(stored(), (Dictionary{{"com.c", Dictionary{{"x", 3.0}, {"y", 4.0}}}}));
    }
}

TEST_F(PanelPositionOffsetsTest, ClearingWritesAWellFormedDictionaryEvenWithNothingToRemove)
{
    defaults.set(SuggestionDefaultsKeys::perAppPositionOffsets, 42);
    offsets.clear("com.apple.TextEdit");
    ASSERT_TRUE(defaults.dictionaryForKey(SuggestionDefaultsKeys::perAppPositionOffsets));
    EXPECT_TRUE(stored().empty());
}

}  // namespace
}  // namespace qm
