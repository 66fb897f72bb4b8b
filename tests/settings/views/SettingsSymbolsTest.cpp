#include <string>
#include <vector>

#include <QImage>
#include <gtest/gtest.h>

#include "settings/SettingsSection.h"
#include "settings/StatCard.h"
#include "shell/views/SymbolIcon.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

// Every symbol the settings window asks for: the sidebar's, the stat cards',
// and the ones its pages name in place (card headings, row states, copy
// buttons, the HUD's failure notices).
std::vector<std::string> settingsSymbolNames()
{
    std::vector<std::string> names;
    for (const SettingsSection section : SettingsSections::allCases) {
        names.emplace_back(SettingsSections::iconName(section));
    }
    for (const auto& card : historyStatCards(CaptureStats{})) {
        names.push_back(card.icon);
    }
    for (const auto& card : errorLogStatCards({FallbackCaptureLoggerEntry{}})) {
        names.push_back(card.icon);
    }
    for (const char* name : {"sparkles", "network", "lock.shield", "keyboard", "doc.text", "magnifyingglass",
                             "bubble.left.and.bubble.right", "info.circle", "timer", "alarm", "moon.zzz",
                             "checkmark.circle.fill", "exclamationmark.circle.fill", "checkmark",
                             "doc.on.doc", "exclamationmark.triangle"}) {
        names.emplace_back(name);
    }
    return names;
}

QImage drawn(std::string_view name)
{
    return SymbolIcon::pixmap(name, Qt::black, 24).toImage().convertToFormat(QImage::Format_ARGB32);
}

int inkedPixels(const QImage& image)
{
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            inked += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return inked;
}

// A name without a drawing falls back to a plain dot, which reads as a
// missing icon next to a page title.
TEST(SettingsSymbols, EverySymbolTheSettingsWindowNamesHasItsOwnDrawing)
{
    test::qtApplication();
    const QImage dot = drawn("no.such.symbol");
    for (const auto& name : settingsSymbolNames()) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(SymbolIcon::isKnown(name));
        const QImage image = drawn(name);
        EXPECT_NE(image, dot);
        EXPECT_GT(inkedPixels(image), 20);
    }
}

// Names that differ only in ".fill" are different drawings (an outline and a
// solid shape), not one drawn for the other.
TEST(SettingsSymbols, OutlinedAndFilledVariantsAreDrawnApart)
{
    test::qtApplication();
    for (const auto& [outline, filled] : std::vector<std::pair<std::string, std::string>>{
             {"doc.text", "doc.text.fill"},
             {"exclamationmark.triangle", "exclamationmark.triangle.fill"},
             {"bubble.left.and.bubble.right", "bubble.left.and.bubble.right.fill"}}) {
        SCOPED_TRACE(outline);
        EXPECT_LT(inkedPixels(drawn(outline)), inkedPixels(drawn(filled)));
    }
}

}  // namespace
}  // namespace qm
