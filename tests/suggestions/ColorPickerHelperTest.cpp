#include "suggestions/ColorPickerHelper.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/workspace/SimColorPanel.h"
#include "suggestions/FieldMemoryRig.h"
#include "suggestions/HexColor.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Texts = std::vector<std::string>;

constexpr const char* kFigma = "com.figma.Desktop";

class ColorPickerHelperTest : public FieldMemoryRig {
protected:
    void remember(const std::string& value, const std::optional<std::string>& domain = std::nullopt,
                  const std::string& app = kFigma)
    {
        engine->learnFieldValue(FieldContext::color, "Fill", value, app, domain);
        drain();  // the database takes the time when it writes the row
    }

    static Texts defaultSwatches()
    {
        return Texts(ColorPickerHelper::defaultSwatches.begin(), ColorPickerHelper::defaultSwatches.end());
    }

    SimColorPanel panel;
    ColorPickerHelper helper{panel, *db, *engine};
};

TEST_F(ColorPickerHelperTest, WithoutRememberedColoursTheDefaultsInTheirOrder)
{
    EXPECT_THAT(helper.getTopColorSwatches(kFigma, std::nullopt),
                ElementsAre("#10B981", "#3B82F6", "#EF4444", "#F59E0B", "#8B5CF6", "#EC4899", "#6B7280",
                            "#1E1B4B", "#0F172A", "#111827"));
    EXPECT_THAT(helper.getTopColorSwatches(std::nullopt, std::nullopt), ElementsAreArray(defaultSwatches()));
}

TEST_F(ColorPickerHelperTest, RememberedColoursAsTypedMostUsedFirstWithoutExactDuplicates)
{
    clock.set(100);
    remember("#abc");
    remember("#abc");
    remember("#abc");
    clock.set(200);
    remember("#ABC");
    remember("#ABC");
    clock.set(300);
    remember("red");  // no "#"
    clock.set(310);
    remember("#12345");  // six characters
    clock.set(320);
    remember(" #10b981 ");  // stored trimmed
    // Rows by frequency then recency: #abc, #ABC, #10b981, #12345, red.
    EXPECT_THAT(helper.getTopColorSwatches(kFigma, std::nullopt), ElementsAre("#abc", "#ABC", "#10b981"));

    // The same text under two labels is two rows, and one swatch.
    engine->learnFieldValue(FieldContext::color, "Stroke", "#abc", kFigma, std::nullopt);
    engine->learnFieldValue(FieldContext::color, "Stroke", "#abc", kFigma, std::nullopt);
    engine->learnFieldValue(FieldContext::color, "Stroke", "#abc", kFigma, std::nullopt);
    engine->learnFieldValue(FieldContext::color, "Stroke", "#abc", kFigma, std::nullopt);
    EXPECT_THAT(helper.getTopColorSwatches(kFigma, std::nullopt), ElementsAre("#abc", "#ABC", "#10b981"));

    // Other applications and other domains keep their own colours.
    EXPECT_THAT(helper.getTopColorSwatches("com.other", std::nullopt), ElementsAreArray(defaultSwatches()));
    EXPECT_THAT(helper.getTopColorSwatches(kFigma, "figma.com"), ElementsAreArray(defaultSwatches()));
}

TEST_F(ColorPickerHelperTest, ColoursThatNoLongerOpenFallBackToTheDefaults)
{
    ASSERT_TRUE(db->insertFieldMemory("color", kFigma, std::nullopt, "Fill", "h", "not a box").get());
    EXPECT_THAT(helper.getTopColorSwatches(kFigma, std::nullopt), ElementsAreArray(defaultSwatches()));
    remember("#0F0");
    EXPECT_THAT(helper.getTopColorSwatches(kFigma, std::nullopt), ElementsAre("#0F0"));
}

TEST_F(ColorPickerHelperTest, PanelOpensAtTheFieldsColourAndReportsEachPickAsHex)
{
    Texts first;
    helper.showColorPanel(" #10b981 ", [&](const std::string& hex) { first.push_back(hex); });
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.isKeyWindow());
    EXPECT_TRUE(panel.isContinuous());
    EXPECT_EQ(panel.deviceRGBColor(), HexColor::parse("#10B981"));

    panel.userDragged(Color{1, 0.5, 0, 1});
    panel.userReleased(Color{0, 0, 1, 1});
    panel.userReleased(std::nullopt);  // a colour outside device RGB is not reported
    EXPECT_THAT(first, ElementsAre("#FF8000", "#0000FF"));

    // A second call replaces the callback; an unparsable colour leaves the panel's own.
    Texts second;
    const int colourSets = panel.colorSetCount();
    helper.showColorPanel("teal", [&](const std::string& hex) { second.push_back(hex); });
    helper.showColorPanel(std::nullopt, [&](const std::string& hex) { second.push_back(hex); });
    EXPECT_EQ(panel.colorSetCount(), colourSets);
    panel.userReleased(Color{0, 0, 0, 1});
    EXPECT_THAT(first, ElementsAre("#FF8000", "#0000FF"));
    EXPECT_THAT(second, ElementsAre("#000000"));
}

TEST_F(ColorPickerHelperTest, APanelThatOutlivesTheHelperReportsToNobody)
{
    Texts reported;
    {
        ColorPickerHelper shortLived{panel, *db, *engine};
        shortLived.showColorPanel(std::nullopt, [&](const std::string& hex) { reported.push_back(hex); });
    }
    EXPECT_TRUE(panel.hasAction());
    panel.userReleased(Color{1, 1, 1, 1});
    EXPECT_THAT(reported, IsEmpty());
}

}  // namespace
}  // namespace qm::test
