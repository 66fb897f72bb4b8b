#include "settings/views/HelpPage.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "settings/CheatSheetRow.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {

HelpPage::HelpPage(QWidget* parent) : QWidget(parent)
{
    using namespace SettingsStyle;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* card = new SettingsSectionCard("Quick-Capture Reference", "info.circle");
    card->content()->setSpacing(12);
    card->content()->addWidget(
        plainLabel("Type these quill-marker prefixes in any editor followed by your text, "
                   "then press Space or Enter inside the Overlay to capture.",
                   ViewFonts::system(11), textMuted(), true));
    // One grid for all rows: wrapped descriptions take the height they need.
    auto* list = new QGridLayout;
    list->setHorizontalSpacing(10);
    list->setVerticalSpacing(2);
    list->setColumnStretch(1, 1);
    int line = 0;
    for (const auto& row : kCheatSheet) {
        auto* trigger = plainLabel(row.trigger, ViewFonts::mono(11, ViewFonts::Weight::bold));
        trigger->setFixedWidth(100);
        list->addWidget(trigger, line, 0, 2, 1, Qt::AlignTop);
        list->addWidget(plainLabel(row.app, ViewFonts::system(11, ViewFonts::Weight::bold)), line, 1);
        auto* description = plainLabel(row.description, ViewFonts::system(10), textMuted(), true);
        description->setContentsMargins(0, 0, 0, 8);
        list->addWidget(description, line + 1, 1);
        line += 2;
    }
    card->content()->addLayout(list);
    layout->addWidget(card);
}

}  // namespace qm
