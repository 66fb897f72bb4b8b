#include "settings/views/ErrorLogsPage.h"

#include <algorithm>

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "settings/ErrorLogsModel.h"
#include "settings/views/LazyRowList.h"
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
    empty_ = plainLabel("", ViewFonts::system(12), textMuted(), true);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setContentsMargins(0, 40, 0, 40);
    layout->addWidget(empty_);
    rows_ = new LazyRowList(8);
    layout->addWidget(rows_);

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
    // Copied: the mark redraws the page, which fills the list anew.
    const FallbackCaptureLoggerEntry entry = shown_.at(static_cast<std::size_t>(index));
    model_.copyEntry(entry);
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

namespace {

// A card: 12 pt padding, a header line with the copy button, 8 pt between
// its lines; the captured text shows at most four lines.
constexpr int kPadding = 12;
constexpr int kLineGap = 8;
constexpr int kCopySize = 22;
constexpr int kMaxTextLines = 4;

QFont errorFont()
{
    return ViewFonts::system(12, ViewFonts::Weight::semibold);
}
QFont textFont()
{
    return ViewFonts::system(11.5);
}
int headerHeight()
{
    return std::max(kCopySize, QFontMetrics(ViewFonts::mono(11, ViewFonts::Weight::bold)).height());
}

}  // namespace

void ErrorLogsPage::render()
{
    using namespace SettingsStyle;
    status_->setText(QString::fromStdString(model_.statusMessage()));
    status_->setVisible(!model_.statusMessage().empty());
    stats_->setCards(model_.statCards());
    shown_ = model_.filteredEntries();
    empty_->setText(QString::fromStdString(model_.emptyStateText()));
    rows_->setRows(
        static_cast<int>(shown_.size()),
        [this](int index, int width) {
            const auto& entry = shown_.at(static_cast<std::size_t>(index));
            // A search keystroke lists mostly cards measured before.
            auto& [measuredAt, height] = heights_.try_emplace(entry.id, -1, 0).first->second;
            if (measuredAt != width) {
                const int inner = width - 2 * kPadding;
                measuredAt = width;
                height = 2 * kPadding + headerHeight() + kLineGap +
                         wrapText(entry.errorDescription, errorFont(), inner).height;
                if (!entry.text.empty()) {
                    height += kLineGap + wrapText(entry.text, textFont(), inner, kMaxTextLines).height;
                }
            }
            return height;
        },
        [this](int index, int width) { return buildRow(index, width); });
    // Shown after the rows were replaced: a change of what is shown lays out
    // the rows the list has.
    empty_->setVisible(shown_.empty());
    rows_->setVisible(!shown_.empty());
}

QWidget* ErrorLogsPage::buildRow(int index, int width)
{
    using namespace SettingsStyle;
    const auto& entry = shown_.at(static_cast<std::size_t>(index));
    const int inner = width - 2 * kPadding;
    auto* card = new SettingsSectionCard("", "");
    card->layout()->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    card->content()->setSpacing(kLineGap);
    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    header->addWidget(
        plainLabel("//" + entry.target, ViewFonts::mono(11, ViewFonts::Weight::bold), QColor(220, 40, 40)));
    header->addWidget(
        plainLabel(ErrorLogsModel::formatTime(entry.timestamp), ViewFonts::system(10), textMuted()));
    header->addStretch();
    auto* copy = new QToolButton;
    copy->setToolTip("Copy error details");
    copy->setAutoRaise(true);
    copy->setFixedSize(kCopySize, kCopySize);
    copy->setIcon(QIcon(SymbolIcon::pixmap(model_.copiedEntryId() == entry.id ? "checkmark" : "doc.on.doc",
                                           textMuted(), 11)));
    connect(copy, &QToolButton::clicked, this, [this, index] { copyRow(index); });
    header->addWidget(copy);
    card->content()->addLayout(header);
    const WrappedText error = wrapText(entry.errorDescription, errorFont(), inner);
    auto* errorLabel = plainLabel(entry.errorDescription, errorFont(), QColor(0x1d, 0x1d, 0x1f), true);
    errorLabel->setObjectName("entryError");
    errorLabel->setFixedSize(inner, error.height);
    errorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    card->content()->addWidget(errorLabel);
    if (!entry.text.empty()) {
        const WrappedText text = wrapText(entry.text, textFont(), inner, kMaxTextLines);
        auto* textLabel = plainLabel(text.text.toStdString(), textFont(), textMuted(), true);
        textLabel->setObjectName("entryText");
        textLabel->setFixedSize(inner, text.height);
        textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        card->content()->addWidget(textLabel);
    }
    card->content()->addStretch();
    return card;
}

}  // namespace qm
