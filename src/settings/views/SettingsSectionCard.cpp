#include "settings/views/SettingsSectionCard.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {

SettingsSectionCard::SettingsSectionCard(const std::string& title, const std::string& icon, QWidget* parent)
    : QFrame(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(14, 14, 14, 14);
    outer->setSpacing(12);
    // Never squeezed below what its content needs: the page scrolls instead.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    if (!title.empty() || !icon.empty()) {
        auto* heading = new QHBoxLayout;
        heading->setSpacing(6);
        if (!icon.empty()) {
            heading->addWidget(SettingsStyle::symbol(icon, SettingsStyle::brandGold(), 12));
        }
        heading->addWidget(SettingsStyle::plainLabel(title, ViewFonts::system(12, ViewFonts::Weight::bold)));
        heading->addStretch();
        outer->addLayout(heading);
    }
    content_ = new QVBoxLayout;
    content_->setSpacing(14);
    outer->addLayout(content_);
}

void SettingsSectionCard::setHighlighted(bool highlighted)
{
    if (highlighted != highlighted_) {
        highlighted_ = highlighted;
        update();
    }
}

void SettingsSectionCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal width = highlighted_ ? 2.0 : 1.0;
    const QRectF box = QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2);
    QPainterPath path;
    path.addRoundedRect(box, 10, 10);
    painter.fillPath(path, QColor(255, 255, 255, 90));
    painter.setPen(QPen(highlighted_ ? SettingsStyle::brandGold() : QColor(0, 0, 0, 16), width));
    painter.drawPath(path);
}

}  // namespace qm
