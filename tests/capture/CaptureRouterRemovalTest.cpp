#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "capture/CaptureRouterRig.h"
#include "platform/sim/accessibility/SimTextField.h"

namespace qm::test {
namespace {

const std::vector<std::string> kNothingRefused;
const std::vector<std::string> kEverythingRefused{"AXSelectedTextRange", "AXSelectedText", "AXValue"};
const std::vector<std::string> kReplacementRefused{"AXSelectedText"};

struct RemovalCase {
    const char* name;
    const char* bundleId;
    SimTextKind kind;
    const char* initialValue;
    std::optional<std::int64_t> initialCaret;  // absent: at the end
    const char* typed;                         // ended by Space
    std::vector<std::string> refused;
    const char* expectedValue;
    std::int64_t expectedCaret;
    bool throughAccessibility;  // else by Delete keys
};

void PrintTo(const RemovalCase& c, std::ostream* os)
{
    *os << c.name;
}

class CaptureRouterRemovalTest : public CaptureRouterRig,
                                 public ::testing::WithParamInterface<RemovalCase> {};

TEST_P(CaptureRouterRemovalTest, RemovesExactlyTheTrigger)
{
    const auto& c = GetParam();
    SimApplication host = desktop.addApplication(c.bundleId, "Host");
    SimElement hostWindow = host.addWindow("Doc", Rect(0, 25, 900, 700));
    SimTextFieldSpec spec;
    spec.kind = c.kind;
    spec.value = c.initialValue;
    spec.frame = Rect(100, 100, 500, c.kind == SimTextKind::multiLine ? 80 : 22);
    SimTextField field = hostWindow.addTextField(spec);
    host.activate();
    field.focus();
    loop.runUntilIdle();
    if (c.initialCaret) {
        field.select({*c.initialCaret, 0});
    }
    for (const auto& attribute : c.refused) {
        accessibility->refuseWrites(attribute);
    }

    Log::Capture log;
    desktop.keyboard().type(c.typed);
    desktop.keyboard().press("space");
    ASSERT_TRUE(waitForCaptureMode());

    EXPECT_EQ(field.value(), c.expectedValue);
    EXPECT_EQ(field.selectedRange(), (AXTextRange{c.expectedCaret, 0}));
    const std::size_t triggerLength = 6;
    if (c.throughAccessibility) {
        EXPECT_EQ(log.count("🧹 CaptureRouter: Stripped trigger via AX ('//note')"), 1u);
        EXPECT_EQ(syntheticDeleteKeyDowns(), 0u);
    } else {
        EXPECT_EQ(log.count("🧹 CaptureRouter: AX strip unavailable — posting 6 backspaces"), 1u);
        EXPECT_EQ(syntheticDeleteKeyDowns(), triggerLength);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureRouterRemovalTest,
    ::testing::Values(
        RemovalCase{"RangeDelete", "com.example.text", SimTextKind::singleLine, "buy milk ", std::nullopt,
                    "//note", kNothingRefused, "buy milk ", 9, true},
        RemovalCase{"RangeDeleteInTheMiddle", "com.example.text", SimTextKind::singleLine, "buy  milk", 4,
                    "//note", kNothingRefused, "buy  milk", 4, true},
        // The caret goes where the trigger was, not to the end of the value.
        RemovalCase{"WholeValueRewrite", "com.example.text", SimTextKind::singleLine, "buy  milk", 4,
                    "//note", kReplacementRefused, "buy  milk", 4, true},
        RemovalCase{"WholeValueRewriteAtTheEnd", "com.example.text", SimTextKind::singleLine, "tea ",
                    std::nullopt, "//note", kReplacementRefused, "tea ", 4, true},
        // A structured editor gets no rewrite; the selection made for the refused
        // delete is put back so the Delete keys take only the trigger.
        RemovalCase{"StructuredEditorFallsBackToDeleteKeys", "md.obsidian", SimTextKind::multiLine,
                    "buy  milk", 4, "//note", kReplacementRefused, "buy  milk", 4, false},
        RemovalCase{"MultiLineValueFallsBackToDeleteKeys", "com.example.text", SimTextKind::multiLine,
                    "a\nb\nc ", std::nullopt, "//note", kReplacementRefused, "a\nb\nc ", 6, false},
        RemovalCase{"EverythingRefused", "com.example.text", SimTextKind::singleLine, "keep ", std::nullopt,
                    "//note", kEverythingRefused, "keep ", 5, false},
        RemovalCase{"EmojiBeforeByRange", "com.example.text", SimTextKind::singleLine, "\xF0\x9F\x98\x80",
                    std::nullopt, "//note", kNothingRefused, "\xF0\x9F\x98\x80", 2, true},
        RemovalCase{"EmojiBeforeByDeleteKeys", "com.example.text", SimTextKind::singleLine,
                    "\xF0\x9F\x98\x80", std::nullopt, "//note", kEverythingRefused, "\xF0\x9F\x98\x80", 2,
                    false},
        RemovalCase{"FormatControlMeansDeleteKeys", "com.example.text", SimTextKind::singleLine,
                    "a\xE2\x80\x8B", std::nullopt, "//note", kNothingRefused, "a\xE2\x80\x8B", 2, false},
        RemovalCase{"JoinerAfterTheTriggerMeansDeleteKeys", "com.example.text", SimTextKind::singleLine,
                    "x \xE2\x81\xA0y", 2, "//note", kNothingRefused, "x \xE2\x81\xA0y", 2, false},
        RemovalCase{"UnreadablePasswordValueMeansDeleteKeys", "com.example.text", SimTextKind::secure, "",
                    std::nullopt, "//note", kNothingRefused, "", 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureRouterRig, RangeDeleteMakesNoOtherWrite)
{
    SimTextField field = addField("see ");
    field.focus();
    desktop.keyboard().type("//note ");
    ASSERT_TRUE(waitForCaptureMode());
    EXPECT_EQ(accessibility->writes(), (std::vector<std::string>{"AXSelectedTextRange", "AXSelectedText"}));
}

TEST_F(CaptureRouterRig, RefusedReplacementPutsTheSelectionBackBeforeRewriting)
{
    accessibility->refuseWrites("AXSelectedText");
    SimTextField field = addField("see ");
    field.focus();
    desktop.keyboard().type("//note ");
    ASSERT_TRUE(waitForCaptureMode());
    EXPECT_EQ(accessibility->writes(),
              (std::vector<std::string>{"AXSelectedTextRange", "AXSelectedText", "AXSelectedTextRange",
                                        "AXValue", "AXSelectedTextRange"}));
    EXPECT_EQ(field.value(), "see ");
}

// A command word long enough to need more than 32 Delete keys gets 32.
class LongWordTarget final : public CaptureTarget {
public:
    LongWordTarget() : CaptureTarget(std::string(40, 'w'), false) {}
    std::vector<PickerOption> pickerOptions(const CancellationToken&) override { return {}; }
    void send(const std::string&, const std::optional<PickerOption>&) override {}
};

TEST_F(CaptureRouterRig, AtMostThirtyTwoDeleteKeys)
{
    composeWithTargets({std::make_shared<LongWordTarget>()});
    for (const auto& attribute : kEverythingRefused) {
        accessibility->refuseWrites(attribute);
    }
    SimTextField field = addField("keep ");
    field.focus();
    Log::Capture log;
    desktop.keyboard().type("//" + std::string(40, 'w') + " ");
    ASSERT_TRUE(waitForCaptureMode());
    EXPECT_TRUE(log.contains("posting 42 backspaces"));
    EXPECT_EQ(syntheticDeleteKeyDowns(), 32u);
    EXPECT_EQ(field.value(), "keep //" + std::string(8, 'w'));
}

}  // namespace
}  // namespace qm::test
