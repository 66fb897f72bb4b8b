#include "suggestions/views/SuggestionSymbolIcon.h"

#include <string>

#include <gtest/gtest.h>

#include "suggestions/AIActionItem.h"
#include "suggestions/SampleSuggestion.h"
#include "suggestions/SuggestionChip.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

// A symbol without a drawing shows as a plain dot: every one the panel names
// has its own.
TEST(SuggestionSymbolIcon, EverySymbolThePanelNamesIsDrawn)
{
    test::qtApplication();
    std::vector<std::string> names{"distribute.horizontal.fill", "distribute.vertical.fill",
                                   "arrow.counterclockwise", "sparkles", "doc.text.fill"};
    for (const auto type :
         {SuggestionType::mistake, SuggestionType::snippet, SuggestionType::tool, SuggestionType::mcp,
          SuggestionType::knowledge, SuggestionType::ai, SuggestionType::proactive}) {
        names.emplace_back(SuggestionChip(true, 0, test::sampleSuggestion(type, "x"), "⌃", false).iconName());
    }
    for (const char* liveTitle : {"Keychain", "Date", "#FF8800", "alice"}) {
        names.emplace_back(
            SuggestionChip(true, 0, test::sampleSuggestion(SuggestionType::live, liveTitle), "⌃", false)
                .iconName());
    }
    for (const auto& action : AIActionItem::quickActions()) {
        names.push_back(action.iconName);
    }
    for (const auto& name : names) {
        EXPECT_TRUE(SuggestionSymbolIcon::isKnown(name)) << name;
        const QImage image = SuggestionSymbolIcon::pixmap(name, Qt::white, 24).toImage();
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, 20) << name;
    }
}

}  // namespace
}  // namespace qm
