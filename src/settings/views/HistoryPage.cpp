#include "settings/views/HistoryPage.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "settings/CaptureHistoryModel.h"
#include "settings/views/SettingsStyle.h"
#include "settings/views/StatCardsRow.h"
#include "shell/views/SymbolIcon.h"
#include "shell/views/ViewFonts.h"

namespace qm {

HistoryPage::HistoryPage(CaptureHistoryModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    stats_ = new StatCardsRow;
    layout->addWidget(stats_);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(10);
    search_ = new QLineEdit;
    search_->setPlaceholderText("Search captures\u2026");
    search_->setFont(ViewFonts::system(12));
    auto* clearButton = new QPushButton("Clear History");
    bar->addWidget(search_, 1);
    bar->addStretch();
    bar->addWidget(clearButton);
    layout->addLayout(bar);
    rows_ = new QVBoxLayout;
    rows_->setSpacing(6);
    layout->addLayout(rows_);

    connect(search_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setSearchQuery(text.toStdString()); });
    connect(clearButton, &QPushButton::clicked, this, [this] { pressClear(); });
    model_.onChange = [this] { render(); };
    render();
}

void HistoryPage::copyRow(int index)
{
    model_.copyEntry(model_.entries().at(static_cast<std::size_t>(index)));
}

void HistoryPage::pressClear()
{
    model_.clearHistory([this](std::function<void(bool)> answer) {
        // No event loop of its own: a page change while the alert is up takes
        // it away with the page, and its answer is never given.
        auto* alert = new QMessageBox(QMessageBox::Warning, CaptureHistoryModel::clearAlertMessage,
                                      CaptureHistoryModel::clearAlertMessage, QMessageBox::NoButton, this);
        alert->setAttribute(Qt::WA_DeleteOnClose);
        alert->setInformativeText(CaptureHistoryModel::clearAlertInformativeText);
        QAbstractButton* clear = alert->addButton("Clear History", QMessageBox::DestructiveRole);
        alert->addButton("Cancel", QMessageBox::RejectRole);
        connect(alert, &QMessageBox::buttonClicked, alert,
                [clear, answer = std::move(answer)](QAbstractButton* button) { answer(button == clear); });
        alert->open();
    });
}

void HistoryPage::render()
{
    using namespace SettingsStyle;
    stats_->setCards(model_.statCards());
    clear(rows_);
    if (model_.entries().empty()) {
        auto* empty = plainLabel(model_.emptyStateText(), ViewFonts::system(12), textMuted(), true);
        empty->setAlignment(Qt::AlignCenter);
        empty->setContentsMargins(0, 40, 0, 40);
        rows_->addWidget(empty);
        return;
    }
    int index = 0;
    for (const auto& entry : model_.entries()) {
        auto* row = new QWidget;
        row->setAutoFillBackground(true);
        row->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
        QPalette palette = row->palette();
        palette.setColor(QPalette::Window, QColor(0, 0, 0, 10));
        row->setPalette(palette);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(10, 10, 10, 10);
        line->setSpacing(10);
        auto* badge = plainLabel("//" + entry.target, ViewFonts::mono(11, ViewFonts::Weight::bold),
                                 entry.success ? brandGold() : QColor(220, 40, 40));
        badge->setFixedWidth(88);
        badge->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        line->addWidget(badge);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        auto* text = plainLabel(entry.text, ViewFonts::system(12), QColor(0x1d, 0x1d, 0x1f), true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        texts->addWidget(text);
        auto* meta = new QHBoxLayout;
        meta->setSpacing(6);
        meta->addWidget(
            plainLabel(CaptureHistoryModel::formatTime(entry.createdAt), ViewFonts::system(10), textMuted()));
        if (!entry.success) {
            meta->addWidget(plainLabel("failed \u2014 saved to recovery log",
                                       ViewFonts::system(10, ViewFonts::Weight::semibold),
                                       QColor(220, 40, 40, 217)));
        }
        meta->addStretch();
        texts->addLayout(meta);
        line->addLayout(texts, 1);
        auto* copy = new QToolButton;
        copy->setToolTip("Copy capture text");
        copy->setAutoRaise(true);
        const bool copied = model_.copiedEntryId() == entry.id;
        copy->setIcon(QIcon(SymbolIcon::pixmap(copied ? "checkmark" : "doc.on.doc", textMuted(), 11)));
        connect(copy, &QToolButton::clicked, this, [this, index] { copyRow(index); });
        line->addWidget(copy, 0, Qt::AlignTop);
        rows_->addWidget(row);
        ++index;
    }
}

}  // namespace qm
