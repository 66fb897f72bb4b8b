#include "shell/views/ViewFonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace qm {

namespace {

QFont::Weight qtWeight(ViewFonts::Weight weight)
{
    switch (weight) {
    case ViewFonts::Weight::medium:
        return QFont::Medium;
    case ViewFonts::Weight::semibold:
        return QFont::DemiBold;
    case ViewFonts::Weight::bold:
        return QFont::Bold;
    case ViewFonts::Weight::regular:
        break;
    }
    return QFont::Normal;
}

QFont sized(QFont font, double points, ViewFonts::Weight weight)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen && screen->logicalDotsPerInchY() > 0 ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(points * 72.0 / dpi);
    font.setWeight(qtWeight(weight));
    return font;
}

}  // namespace

QFont ViewFonts::system(double points, Weight weight)
{
    return sized(QFontDatabase::systemFont(QFontDatabase::GeneralFont), points, weight);
}

QFont ViewFonts::mono(double points, Weight weight, bool italic)
{
    QFont font = sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), points, weight);
    font.setItalic(italic);
    return font;
}

}  // namespace qm
