#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/Text.h"
#include "capture/HostTriggerStrip.h"

namespace qm {
namespace {

using Action = HostTriggerStrip::Action;
using Plan = HostTriggerStrip::Plan;

std::u16string u16(std::string_view utf8)
{
    return text::toUtf16(utf8);
}

struct PlanCase {
    const char* name;
    std::u16string value;
    const char* triggerBody;
    std::optional<std::int64_t> caret;
    std::optional<std::string> bundleId;
    Plan expected;
    std::u16string strippedTo;  // when the plan deletes a range
};

void PrintTo(const PlanCase& c, std::ostream* os)
{
    *os << c.name;
}

class PlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanTest, ChoosesTheWayAndTheRange)
{
    const auto& c = GetParam();
    const std::u16string body = u16(c.triggerBody);
    EXPECT_EQ(HostTriggerStrip::plan(c.value, body, c.caret, c.bundleId), c.expected);
    if (c.expected.primary.kind == Action::Kind::replaceSelectedRange) {
        EXPECT_EQ(HostTriggerStrip::strippedValue(c.value, body, c.caret), c.strippedTo);
    }
}

const std::u16string kFourHundredAndOne = std::u16string(395, u'a') + u"//note";

INSTANTIATE_TEST_SUITE_P(Cases, PlanTest,
                         ::testing::Values(PlanCase{"PlainValueCaretAtEnd",
                                                    u"buy milk //note",
                                                    "//note",
                                                    15,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(9, 6), true},
                                                    u"buy milk "},
                                           PlanCase{"TrailingSpaceIsRemovedToo",
                                                    u"buy milk //note ",
                                                    "//note",
                                                    16,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(9, 7), true},
                                                    u"buy milk "},
                                           PlanCase{"TrailingNewline",
                                                    u"a //note\n",
                                                    "//note",
                                                    9,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(2, 7), true},
                                                    u"a "},
                                           PlanCase{"NoCaretMeansEnd",
                                                    u"x//timer",
                                                    "//timer",
                                                    std::nullopt,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(1, 7), true},
                                                    u"x"},
                                           PlanCase{"CaseDiffers",
                                                    u"//Note",
                                                    "//note",
                                                    6,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(0, 6), true},
                                                    u""},
                                           PlanCase{"CaretInTheMiddleFallsBackToTheEnd",
                                                    u"abc def //note",
                                                    "//note",
                                                    3,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(8, 6), true},
                                                    u"abc def "},
                                           PlanCase{"TriggerAtCaretBeforeMoreText",
                                                    u"buy //note milk",
                                                    "//note",
                                                    10,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(4, 6), true},
                                                    u"buy  milk"},
                                           PlanCase{"CaretPastTheEndIsClamped",
                                                    u"//copy",
                                                    "//copy",
                                                    99,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(0, 6), true},
                                                    u""},
                                           PlanCase{"NegativeCaretIsTheStart",
                                                    u"//copy",
                                                    "//copy",
                                                    -4,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(0, 6), true},
                                                    u""},
                                           PlanCase{"EmojiBeforeCountsTwoUnits",
                                                    u"\U0001F600//note",
                                                    "//note",
                                                    8,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(2, 6), true},
                                                    u"\U0001F600"},
                                           PlanCase{"FlagBeforeCountsFourUnits",
                                                    u"\U0001F1EB\U0001F1F7 //calc",
                                                    "//calc",
                                                    11,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(5, 6), true},
                                                    u"\U0001F1EB\U0001F1F7 "},
                                           PlanCase{"ZeroWidthSpaceMeansDeleteKeys",
                                                    u"a\u200B//note",
                                                    "//note",
                                                    8,
                                                    std::nullopt,
                                                    {Action::backspace(), false},
                                                    u""},
                                           PlanCase{"ByteOrderMarkMeansDeleteKeys",
                                                    u"\uFEFF//note",
                                                    "//note",
                                                    7,
                                                    std::nullopt,
                                                    {Action::backspace(), false},
                                                    u""},
                                           PlanCase{"JoinerAnywhereMeansDeleteKeys",
                                                    u"//note \u200D later",
                                                    "//note",
                                                    6,
                                                    std::nullopt,
                                                    {Action::backspace(), false},
                                                    u""},
                                           PlanCase{"NotFoundMeansDeleteKeys",
                                                    u"something else",
                                                    "//note",
                                                    14,
                                                    std::nullopt,
                                                    {Action::backspace(), false},
                                                    u""},
                                           PlanCase{"ObsidianGetsNoRewrite",
                                                    u"x //note",
                                                    "//note",
                                                    8,
                                                    std::string("md.obsidian"),
                                                    {Action::replaceSelectedRange(2, 6), false},
                                                    u"x "},
                                           PlanCase{"NotionGetsNoRewrite",
                                                    u"x //note",
                                                    "//note",
                                                    8,
                                                    std::string("notion.id.Notion"),
                                                    {Action::replaceSelectedRange(2, 6), false},
                                                    u"x "},
                                           PlanCase{"ValueOf401CharactersGetsNoRewrite",
                                                    kFourHundredAndOne,
                                                    "//note",
                                                    401,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(395, 6), false},
                                                    std::u16string(395, u'a')},
                                           PlanCase{"TwoLineBreaksGetNoRewrite",
                                                    u"a\nb\n//note",
                                                    "//note",
                                                    10,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(4, 6), false},
                                                    u"a\nb\n"},
                                           PlanCase{"OneLineBreakMayBeRewritten",
                                                    u"a\n//note",
                                                    "//note",
                                                    8,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(2, 6), true},
                                                    u"a\n"},
                                           PlanCase{"LoneSurrogateIsRepairedInTheRewrite",
                                                    std::u16string(u"a") + char16_t(0xD800) + u"//note",
                                                    "//note",
                                                    8,
                                                    std::nullopt,
                                                    {Action::replaceSelectedRange(2, 6), true},
                                                    u"a\uFFFD"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HostTriggerStripTest, WholeValueRewriteRules)
{
    struct Case {
        std::u16string value;
        std::optional<std::string> bundleId;
        bool safe;
    };
    const Case cases[] = {
        {u"short plain text", std::nullopt, true},
        {u"short plain text", std::string(""), true},
        {std::u16string(400, u'x'), std::nullopt, true},
        {std::u16string(401, u'x'), std::nullopt, false},
        // 400 emoji are 800 units but 400 characters.
        {[] {
             std::u16string v;
             for (int i = 0; i < 400; ++i)
                 v += u"\U0001F600";
             return v;
         }(),
         std::nullopt, true},
        {u"one\r\ntwo", std::nullopt, true},
        {u"one\r\ntwo\r\nthree", std::nullopt, false},
        {u"one\rtwo\rthree", std::nullopt, false},
        {u"list\n-\nitem", std::nullopt, false},
        {u"list\n- \nitem", std::nullopt, false},
        {u"plain", std::string("com.LOGSEQ.app"), false},
        {u"plain", std::string("com.ulyssesapp.mac"), false},
        {u"plain", std::string("pro.writer.mac.iawriter"), false},
        {u"plain", std::string("com.example.editor"), true},
        {u"has\u2060joiner", std::nullopt, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HostTriggerStrip::isSafeForWholeValueRewrite(c.value, c.bundleId), c.safe)
            << text::toUtf8(c.value.substr(0, 40)) << " / " << c.bundleId.value_or("<none>");
    }
}

TEST(HostTriggerStripTest, MatchNamesWhatWasFound)
{
    const auto exact = HostTriggerStrip::matchedTrigger(u"a //note ", u"//note", 9);
    ASSERT_TRUE(exact);
    EXPECT_EQ(*exact, (HostTriggerStrip::Match{2, 7, u"//note "}));

    const auto folded = HostTriggerStrip::matchedTrigger(u"a //NOTE", u"//note", std::nullopt);
    ASSERT_TRUE(folded);
    EXPECT_EQ(*folded, (HostTriggerStrip::Match{2, 6, u"//NOTE"}));

    EXPECT_FALSE(HostTriggerStrip::matchedTrigger(u"//no", u"//note", 4));
    EXPECT_FALSE(HostTriggerStrip::matchedTrigger(u"", u"//note", 0));
    EXPECT_FALSE(HostTriggerStrip::matchedTrigger(u"anything", u"", 3));
    EXPECT_FALSE(HostTriggerStrip::strippedValue(u"nothing here", u"//note", 3));
}

TEST(HostTriggerStripTest, StructuredEditorsByFragment)
{
    EXPECT_FALSE(HostTriggerStrip::isStructuredEditor(std::nullopt));
    EXPECT_FALSE(HostTriggerStrip::isStructuredEditor(std::string("")));
    EXPECT_FALSE(HostTriggerStrip::isStructuredEditor(std::string("com.apple.TextEdit")));
    for (const char* bundleId : {"md.obsidian", "com.logseq.logseq", "notion.id", "com.craft.craft",
                                 "abnerworks.Typora", "net.shinyfrog.bear", "com.ulyssesapp.mac",
                                 "pro.writer.mac.iawriter", "com.ia.writer.x", "MD.OBSIDIAN"}) {
        EXPECT_TRUE(HostTriggerStrip::isStructuredEditor(std::string(bundleId))) << bundleId;
    }
}

}  // namespace
}  // namespace qm
