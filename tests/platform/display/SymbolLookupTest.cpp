#include "platform/linux/display/SymbolLookup.h"

#include <array>

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "support/QtTestApplication.h"

namespace qm {
namespace {

void square(QPainter& p, const QColor& c)
{
    p.fillRect(QRectF(2, 2, 20, 20), c);
}

void bar(QPainter& p, const QColor& c)
{
    p.fillRect(QRectF(2, 10, 20, 4), c);
}

constexpr std::array<SymbolLookup::Entry, 2> kBase{{{"square", square}, {"bar", bar}}};
constexpr std::array<SymbolLookup::Entry, 1> kFront{{{"bar", square}}};

TEST(SymbolLookup, AsksItsOwnTableFirstThenTheFallbackAndNamesNobodyDrawsAreUnknown)
{
    const SymbolLookup base(kBase);
    const SymbolLookup front(kFront, &base);
    EXPECT_EQ(front.find("bar"), &square);
    EXPECT_EQ(front.find("square"), &square);
    EXPECT_EQ(base.find("bar"), &bar);
    EXPECT_EQ(front.find("circle"), nullptr);
    EXPECT_FALSE(front.isKnown("circle"));
    EXPECT_FALSE(front.isKnown(""));
}

TEST(SymbolLookup, RendersAtTheDevicePixelRatioAndDrawsAnUnknownNameAsADot)
{
    test::qtApplication();
    const SymbolLookup lookup(kBase);
    const QPixmap sharp = lookup.pixmap("square", Qt::red, 12, 2.0);
    EXPECT_EQ(sharp.width(), 24);
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp.toImage().pixelColor(12, 12), QColor(Qt::red));

    const QImage dot = lookup.pixmap("circle", Qt::red, 24).toImage();
    EXPECT_EQ(dot.pixelColor(12, 12), QColor(Qt::red));
    EXPECT_EQ(qAlpha(dot.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(dot.pixel(12, 3)), 0);
}

}  // namespace
}  // namespace qm
