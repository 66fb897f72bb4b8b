#include "settings/views/HelpPage.h"

#include <QHBoxLayout>
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
    card->content()->addWidget(plainLabel("Type these quill-marker prefixes in any editor followed by your text, "
                                          "then press Space or Enter inside the Overlay to capture.",
                                          ViewFonts::system(11), textMuted(), true));
    auto* list = new QVBoxLayout;
    list->setSpacing(1);
    for (const auto& row : kCheatSheet) {
        auto* line = new QWidget;
        line->setAutoFillBackground(true);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, QColor(0, 0, 0, 8));
        line->setPalette(palette);
        auto* h = new QHBoxLayout(line);
        h->setContentsMargins(12, 8, 12, 8);
        h->setSpacing(10);
        auto* trigger = plainLabel(row.trigger, ViewFonts::mono(11, ViewFonts::Weight::bold));
        trigger->setFixedWidth(100);
        h->addWidget(trigger, 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        texts->addWidget(plainLabel(row.app, ViewFonts::system(11, ViewFonts::Weight::bold)));
        texts->addWidget(plainLabel(row.description, ViewFonts::system(10), textMuted(), true));
        h->addLayout(texts, 1);
        list->addWidget(line);
    }
    card->content()->addLayout(list);
    layout->addWidget(card);
}

}  // namespace qm
