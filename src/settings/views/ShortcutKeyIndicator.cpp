#include "settings/views/ShortcutKeyIndicator.h"

#include <QLabel>
#include <QVBoxLayout>

#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {

ShortcutKeyIndicator::ShortcutKeyIndicator(const std::string& symbol, const std::string& name,
                                           QWidget* parent)
    : QFrame(parent)
{
    setObjectName("shortcutKeyIndicator");
    setFixedSize(46, 38);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 3, 0, 3);
    layout->setSpacing(3);
    symbol_ = SettingsStyle::plainLabel(symbol, ViewFonts::system(15, ViewFonts::Weight::bold));
    name_ = SettingsStyle::plainLabel(name, ViewFonts::system(8, ViewFonts::Weight::bold));
    for (QLabel* label : {symbol_, name_}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    setActive(false);
}

void ShortcutKeyIndicator::setActive(bool active)
{
    active_ = active;
    const QColor gold = SettingsStyle::brandGold();
    const QColor muted = SettingsStyle::textMuted();
    const QString goldRgb = QString("%1, %2, %3").arg(gold.red()).arg(gold.green()).arg(gold.blue());
    // The labels' colour is part of the sheet: a palette set on them would be
    // replaced when the sheet is applied.
    const QString labels = QString(" #shortcutKeyIndicator QLabel { color: %1; background: transparent; }")
                               .arg(active ? QString("black") : muted.name());
    setStyleSheet(
        (active ? QString("#shortcutKeyIndicator { border-radius: 8px; border: 1px solid rgba(%1, 77);"
                          " background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,"
                          " stop: 0 rgb(%1), stop: 1 rgba(%1, 217)); }")
                      .arg(goldRgb)
                : QString("#shortcutKeyIndicator { border-radius: 8px; border: 1px solid rgba(0, 0, 0, 15);"
                          " background: rgba(0, 0, 0, 10); }")) +
        labels);
}

}  // namespace qm
