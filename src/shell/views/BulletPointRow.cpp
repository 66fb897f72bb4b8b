#include "shell/views/BulletPointRow.h"

#include <QHBoxLayout>
#include <QLabel>

#include "shell/views/PlainTextLabel.h"
#include "shell/views/ViewFonts.h"

namespace qm {

namespace {

QLabel* label(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* made = new PlainTextLabel(font, colour, parent);
    made->setText(text);
    return made;
}

}  // namespace

BulletPointRow::BulletPointRow(const std::string& text, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    bullet_ = label(QStringLiteral("•"), ViewFonts::system(14, ViewFonts::Weight::bold),
                    QColor::fromRgbF(0.9f, 0.65f, 0.2f), this);
    layout->addWidget(bullet_, 0, Qt::AlignTop);
    QColor textColour(Qt::white);
    textColour.setAlphaF(0.8f);
    text_ = label(QString::fromStdString(text), ViewFonts::system(11), textColour, this);
    text_->setWordWrap(true);
    text_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    layout->addWidget(text_, 1, Qt::AlignTop);
}

}  // namespace qm
