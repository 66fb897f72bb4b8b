#include "settings/views/HistoryPage.h"

#include <algorithm>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "settings/CaptureHistoryModel.h"
#include "settings/views/LazyRowList.h"
#include "settings/views/SettingsStyle.h"
#include "settings/views/StatCardsRow.h"
#include "shell/views/SymbolIcon.h"
#include "shell/views/ViewFonts.h"

namespace qm {

HistoryPage::HistoryPage(CaptureHistoryModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    using namespace SettingsStyle;
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
    empty_ = plainLabel("", ViewFonts::system(12), textMuted(), true);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setContentsMargins(0, 40, 0, 40);
    layout->addWidget(empty_);
    rows_ = new LazyRowList(6);
    layout->addWidget(rows_);

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

namespace {

// The parts of a row around its text: 10 pt padding, the 88 pt badge, 10 pt
// gaps either side of the text, and the copy button.
constexpr int kRowPadding = 10;
constexpr int kBadgeWidth = 88;
constexpr int kGap = 10;
constexpr int kCopySize = 22;
constexpr int kMaxTextLines = 3;

int textWidth(int rowWidth)
{
    return std::max(40, rowWidth - 2 * kRowPadding - kBadgeWidth - 2 * kGap - kCopySize);
}

int metaHeight()
{
    return QFontMetrics(ViewFonts::system(10)).height();
}

}  // namespace

void HistoryPage::render()
{
    using namespace SettingsStyle;
    stats_->setCards(model_.statCards());
    const auto& entries = model_.entries();
    empty_->setText(QString::fromStdString(model_.emptyStateText()));
    rows_->setRows(
        static_cast<int>(entries.size()),
        [this](int index, int width) {
            const auto& entry = model_.entries().at(static_cast<std::size_t>(index));
            // A search keystroke lists mostly rows measured before.
            auto& [measuredAt, height] = heights_.try_emplace(entry.id, -1, 0).first->second;
            if (measuredAt != width) {
                const int text =
                    wrapText(entry.text, ViewFonts::system(12), textWidth(width), kMaxTextLines).height;
                measuredAt = width;
                height = 2 * kRowPadding + std::max(text + 2 + metaHeight(), kCopySize);
            }
            return height;
        },
        [this](int index, int width) { return buildRow(index, width); });
    // Shown after the rows were replaced: a change of what is shown lays out
    // the rows the list has.
    empty_->setVisible(entries.empty());
    rows_->setVisible(!entries.empty());
}

QWidget* HistoryPage::buildRow(int index, int width)
{
    using namespace SettingsStyle;
    const auto& entry = model_.entries().at(static_cast<std::size_t>(index));
    auto* row = new QWidget;
    row->setAutoFillBackground(true);
    QPalette palette = row->palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 0, 10));
    row->setPalette(palette);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(kRowPadding, kRowPadding, kRowPadding, kRowPadding);
    line->setSpacing(kGap);
    auto* badge = plainLabel("//" + entry.target, ViewFonts::mono(11, ViewFonts::Weight::bold),
                             entry.success ? brandGold() : QColor(220, 40, 40));
    badge->setFixedWidth(kBadgeWidth);
    badge->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    line->addWidget(badge, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    const WrappedText cut = wrapText(entry.text, ViewFonts::system(12), textWidth(width), kMaxTextLines);
    auto* text = plainLabel(cut.text.toStdString(), ViewFonts::system(12), QColor(0x1d, 0x1d, 0x1f), true);
    text->setObjectName("entryText");
    text->setFixedSize(textWidth(width), cut.height);
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
    texts->addStretch();
    line->addLayout(texts, 1);
    auto* copy = new QToolButton;
    copy->setToolTip("Copy capture text");
    copy->setAutoRaise(true);
    copy->setFixedSize(kCopySize, kCopySize);
    const bool copied = model_.copiedEntryId() == entry.id;
    copy->setIcon(QIcon(SymbolIcon::pixmap(copied ? "checkmark" : "doc.on.doc", textMuted(), 11)));
    connect(copy, &QToolButton::clicked, this, [this, index] { copyRow(index); });
    line->addWidget(copy, 0, Qt::AlignTop);
    return row;
}

}  // namespace qm
