#include "settings/views/ErrorLogsPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "settings/ErrorLogsModel.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "settings/views/StatCardsRow.h"
#include "shell/views/SymbolIcon.h"
#include "shell/views/ViewFonts.h"

namespace qm {

ErrorLogsPage::ErrorLogsPage(ErrorLogsModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    using namespace SettingsStyle;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    auto* banner = new SettingsSectionCard("Local recovery log", "");
    banner->content()->setSpacing(6);
    banner->content()->addWidget(plainLabel(
        "When a // capture fails, Quillmarker keeps the text and error details in a private local file "
        "(owner-only permissions). Nothing is uploaded.",
        ViewFonts::system(11), textMuted(), true));
    auto* path = plainLabel(model_.logFilePath(), ViewFonts::mono(10), textMuted(), true);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    banner->content()->addWidget(path);
    layout->addWidget(banner);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(10);
    search_ = new QLineEdit;
    search_->setPlaceholderText("Search errors, targets, or text\u2026");
    search_->setFont(ViewFonts::system(12));
    auto* refresh = new QPushButton("Refresh");
    auto* reveal = new QPushButton("Reveal in Finder");
    auto* clearLog = new QPushButton("Clear Log");
    bar->addWidget(search_, 1);
    bar->addWidget(refresh);
    bar->addWidget(reveal);
    bar->addWidget(clearLog);
    layout->addLayout(bar);

    status_ = plainLabel("", ViewFonts::system(11), textMuted(), true);
    layout->addWidget(status_);
    stats_ = new StatCardsRow;
    layout->addWidget(stats_);
    rows_ = new QVBoxLayout;
    rows_->setSpacing(8);
    layout->addLayout(rows_);

    connect(search_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setSearchQuery(text.toStdString()); });
    connect(refresh, &QPushButton::clicked, this, [this] { model_.reload(); });
    connect(reveal, &QPushButton::clicked, this, [this] { model_.revealInFileViewer(); });
    connect(clearLog, &QPushButton::clicked, this, [this] { model_.clearLog(); });
    model_.onChange = [this] { render(); };
    render();
}

void ErrorLogsPage::copyRow(int index)
{
    model_.copyEntry(model_.filteredEntries().at(static_cast<std::size_t>(index)));
}

QStringList ErrorLogsPage::shownTexts() const
{
    QStringList texts;
    for (auto* label : findChildren<QLabel*>("entryText")) {
        if (!label->isHidden()) {
            texts << label->text();
        }
    }
    return texts;
}

void ErrorLogsPage::render()
{
    using namespace SettingsStyle;
    status_->setText(QString::fromStdString(model_.statusMessage()));
    status_->setVisible(!model_.statusMessage().empty());
    stats_->setCards(model_.statCards());
    clear(rows_);
    const auto entries = model_.filteredEntries();
    if (entries.empty()) {
        auto* empty = plainLabel(model_.emptyStateText(), ViewFonts::system(12), textMuted(), true);
        empty->setAlignment(Qt::AlignCenter);
        empty->setContentsMargins(0, 40, 0, 40);
        rows_->addWidget(empty);
        return;
    }
    int index = 0;
    for (const auto& entry : entries) {
        auto* card = new SettingsSectionCard("", "");
        card->content()->setSpacing(8);
        auto* header = new QHBoxLayout;
        header->setSpacing(10);
        header->addWidget(plainLabel("//" + entry.target, ViewFonts::mono(11, ViewFonts::Weight::bold),
                                     QColor(220, 40, 40)));
        header->addWidget(
            plainLabel(ErrorLogsModel::formatTime(entry.timestamp), ViewFonts::system(10), textMuted()));
        header->addStretch();
        auto* copy = new QToolButton;
        copy->setToolTip("Copy error details");
        copy->setAutoRaise(true);
        copy->setIcon(QIcon(SymbolIcon::pixmap(
            model_.copiedEntryId() == entry.id ? "checkmark" : "doc.on.doc", textMuted(), 11)));
        connect(copy, &QToolButton::clicked, this, [this, index] { copyRow(index); });
        header->addWidget(copy);
        card->content()->addLayout(header);
        auto* error = plainLabel(entry.errorDescription, ViewFonts::system(12, ViewFonts::Weight::semibold),
                                 QColor(0x1d, 0x1d, 0x1f), true);
        error->setObjectName("entryError");
        error->setTextInteractionFlags(Qt::TextSelectableByMouse);
        card->content()->addWidget(error);
        if (!entry.text.empty()) {
            auto* text = plainLabel(entry.text, ViewFonts::system(11.5), textMuted(), true);
            text->setObjectName("entryText");
            text->setTextInteractionFlags(Qt::TextSelectableByMouse);
            card->content()->addWidget(text);
        }
        rows_->addWidget(card);
        ++index;
    }
}

}  // namespace qm
