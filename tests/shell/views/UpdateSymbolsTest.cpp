#include <string_view>

#include <QImage>
#include <gtest/gtest.h>

#include "shell/views/SymbolIcon.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

QImage drawn(std::string_view name)
{
    return SymbolIcon::pixmap(name, Qt::black, 24).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The HUD messages of an update (downloading, downloaded, install and
// reopen) name these; without a drawing each would show the fallback dot.
TEST(UpdateSymbols, TheUpdateMessagesSymbolsHaveTheirOwnDrawings)
{
    test::qtApplication();
    const QImage dot = drawn("no.such.symbol");
    for (const std::string_view name :
         {"arrow.down.circle", "arrow.down.circle.fill", "arrow.triangle.2.circlepath"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(SymbolIcon::isKnown(name));
        EXPECT_NE(drawn(name), dot);
    }
    EXPECT_NE(drawn("arrow.down.circle"), drawn("arrow.down.circle.fill"));
}

}  // namespace
}  // namespace qm
