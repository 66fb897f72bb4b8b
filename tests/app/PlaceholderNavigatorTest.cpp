// The blanks of an inserted snippet: found, selected in the host field, moved
// through with Tab and left with Esc.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SuggestionRig.h"
#include "base/Text.h"
#include "capture/CaptureNotifications.h"

namespace qm::test {
namespace {

using Placeholder = PlaceholderNavigator::Placeholder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(PlaceholderNavigatorParseTest, FindsEachBlankInUTF16UnitsFromTheStartOffset)
{
    struct Case {
        std::string text;
        std::int64_t offset;
        std::vector<Placeholder> expected;
    };
    const Case cases[] = {
        {"no blanks here", 0, {}},
        {"empty <> is text", 0, {}},
        {"unclosed <name", 0, {}},
        {"Hi <name>, on <day>", 0, {{{3, 6}, "<name>"}, {{14, 5}, "<day>"}}},
        {"Hi <name>, on <day>", 10, {{{13, 6}, "<name>"}, {{24, 5}, "<day>"}}},
        {"<a<b>> and >x<", 0, {{{0, 5}, "<a<b>"}}},
        {"👋🏽 <who>", 2, {{{7, 5}, "<who>"}}},
        {"<naïve café>", 0, {{{0, 12}, "<naïve café>"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PlaceholderNavigator::parsePlaceholders(c.text, c.offset), c.expected);
    }
}

class PlaceholderNavigatorTest : public SuggestionRig {
protected:
    void tab()
    {
        stage.platform.notificationCenter.post(CaptureNotifications::tabPlaceholderPressed);
        loop.runUntilIdle();
    }
    void escape()
    {
        stage.platform.notificationCenter.post(CaptureNotifications::escapePlaceholderPressed);
        loop.runUntilIdle();
    }
    std::string selectedText(SimTextField& field)
    {
        const AXTextRange range = field.selectedRange();
        const std::u16string units = text::toUtf16(field.value());
        return text::toUtf8(std::u16string_view(units).substr(range.location, range.length));
    }
};

TEST_F(PlaceholderNavigatorTest, TheFirstBlankIsSelectedAndTabMovesByWhatWasTypedOverIt)
{
    prepare(nativeField, "Dear team", "");
    inserter->accept(suggestion(SuggestionType::snippet, "Hi <name>, on <day>"));
    EXPECT_EQ(nativeField.value(), "Dear team Hi <name>, on <day> ");
    ASSERT_TRUE(placeholders->isActive());
    EXPECT_TRUE(tap->isPlaceholderModeActive());
    EXPECT_EQ(nativeField.selectedRange(), (AXTextRange{13, 6}));

    desktop.keyboard().type("Al");
    tab();
    EXPECT_EQ(selectedText(nativeField), "<day>");
    EXPECT_EQ(placeholders->currentIndex(), 1);

    desktop.keyboard().type("Friday");
    tab();
    EXPECT_FALSE(placeholders->isActive());
    EXPECT_FALSE(tap->isPlaceholderModeActive());
    EXPECT_THAT(placeholders->placeholders(), IsEmpty());
    EXPECT_EQ(nativeField.value(), "Dear team Hi Al, on Friday ");
}

TEST_F(PlaceholderNavigatorTest, SkippingABlankWithTabLeavesTheNextOneWhereItIs)
{
    prepare(nativeField, "", "");
    inserter->accept(suggestion(SuggestionType::snippet, "<greeting> <name>, <closing>"));
    EXPECT_EQ(selectedText(nativeField), "<greeting>");
    tab();
    EXPECT_EQ(selectedText(nativeField), "<name>");
    desktop.keyboard().type("Bo");
    tab();
    EXPECT_EQ(selectedText(nativeField), "<closing>");
}

TEST_F(PlaceholderNavigatorTest, EscEndsItAndIsHarmlessOutsideIt)
{
    escape();
    EXPECT_FALSE(placeholders->isActive());

    prepare(nativeField, "", "");
    inserter->accept(suggestion(SuggestionType::snippet, "<a> and <b>"));
    ASSERT_TRUE(placeholders->isActive());
    escape();
    EXPECT_FALSE(placeholders->isActive());
    EXPECT_FALSE(tap->isPlaceholderModeActive());
    const AXTextRange before = nativeField.selectedRange();
    tab();
    EXPECT_EQ(nativeField.selectedRange(), before);
}

TEST_F(PlaceholderNavigatorTest, AfterSyntheticTypingTheFirstBlankIsSelectedAMomentLater)
{
    browser.activate();
    prepare(browserField, "Re: ", "");
    inserter->accept(suggestion(SuggestionType::snippet, "call <who>"));
    EXPECT_EQ(browserField.value(), "Re: call <who> ");
    EXPECT_TRUE(tap->isPlaceholderModeActive());
    EXPECT_EQ(browserField.selectedRange().length, 0);
    loop.advance(PlaceholderNavigator::selectionDelayAfterTyping);
    EXPECT_EQ(selectedText(browserField), "<who>");
}

TEST_F(PlaceholderNavigatorTest, OnlyTextWithABlankStartsIt)
{
    prepare(nativeField, "", "");
    inserter->accept(suggestion(SuggestionType::snippet, "a < b > c"));
    EXPECT_TRUE(placeholders->isActive());  // "< b >" is a blank
    escape();
    inserter->accept(suggestion(SuggestionType::snippet, "plain words"));
    EXPECT_FALSE(placeholders->isActive());
    EXPECT_FALSE(tap->isPlaceholderModeActive());
}

}  // namespace
}  // namespace qm::test
