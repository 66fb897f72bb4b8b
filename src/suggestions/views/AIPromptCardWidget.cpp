#include "suggestions/views/AIPromptCardWidget.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "capture/views/RoundedBox.h"
#include "shell/views/PlainTextLabel.h"
#include "shell/views/ViewFonts.h"
#include "suggestions/SuggestionViewModel.h"
#include "suggestions/views/AIProgressIndicator.h"
#include "suggestions/views/AIQuickActionChip.h"
#include "suggestions/views/BlinkingCursorWidget.h"
#include "suggestions/views/QtColor.h"
#include "suggestions/views/SuggestionSymbolIcon.h"

namespace qm {

namespace {

using Weight = ViewFonts::Weight;

constexpr int kMargin = 14;
constexpr int kInnerWidth = AIPromptCardWidget::cardWidth - 2 * kMargin;
const QColor kViolet = QColor::fromRgbF(0.7f, 0.4f, 1.0f);
const QColor kPurple = QColor::fromRgbF(0.686f, 0.322f, 0.871f);

QLabel* symbolLabel(std::string_view name, const QColor& colour, int size, QWidget* parent)
{
    auto* icon = new QLabel(parent);
    icon->setPixmap(SuggestionSymbolIcon::pixmap(name, colour, size, parent->devicePixelRatioF()));
    icon->setFixedSize(size, size);
    return icon;
}

QScrollArea* transparentScrollArea(QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
    // The area, its viewport and what it scrolls all show the card beneath.
    area->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget, QScrollArea > QWidget > QWidget "
                                       "{ background: transparent; }"));
    return area;
}

// The label as wide as its text, at most `maximumWidth`, and as high as its
// lines then are: the card's height follows from fixed sizes alone.
void fitText(QLabel& label, int maximumWidth)
{
    const QFontMetricsF metrics(label.font());
    const int natural = static_cast<int>(std::ceil(metrics.horizontalAdvance(label.text()))) + 2;
    const int width = std::min(natural, maximumWidth);
    label.setFixedWidth(width);
    label.setFixedHeight(label.text().isEmpty() ? static_cast<int>(std::ceil(metrics.height()))
                                                : label.heightForWidth(width));
}

// A key hint at the trailing edge of its own row.
QWidget* hintRow(std::string_view text, int topMargin, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, topMargin, 0, 0);
    layout->addStretch(1);
    auto* hint = new PlainTextLabel(ViewFonts::system(9, Weight::bold), QtColor::white(0.4), row);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignRight | Qt::AlignTop);
    hint->setPlainText(text);
    fitText(*hint, kInnerWidth);
    layout->addWidget(hint);
    return row;
}

}  // namespace

AIPromptCardWidget::AIPromptCardWidget(SuggestionViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model)
{
    setObjectName(QStringLiteral("AIPromptCard"));
    setFixedWidth(cardWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(12);
    buildHeader();
    buildContextLine();
    buildInstruction();
    buildActions();
    buildBottom();
    render(AIPromptCard::make(model_));
}

void AIPromptCardWidget::buildHeader()
{
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(symbolLabel("sparkles", kViolet, 14, this));
    auto* title = new PlainTextLabel(ViewFonts::mono(11, Weight::bold), QtColor::white(0.9), this);
    title->setPlainText(AIPromptCard::title);
    row->addWidget(title);
    serviceLineWidth_ = kInnerWidth - 14 - 6 - title->sizeHint().width() - 8;
    row->addStretch(1);
    serviceLine_ = new PlainTextLabel(ViewFonts::mono(9, Weight::semibold), QtColor::white(0.5), this);
    row->addWidget(serviceLine_);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void AIPromptCardWidget::buildContextLine()
{
    contextRow_ = new RoundedBox(QtColor::white(0.04), 4, this);
    auto* row = new QHBoxLayout(contextRow_);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(5);
    row->addWidget(symbolLabel("doc.text.fill", QtColor::white(0.4), 10, contextRow_));
    contextText_ =
        new PlainTextLabel(ViewFonts::system(10, Weight::medium), QtColor::white(0.6), contextRow_);
    row->addWidget(contextText_, 1);
    layout()->addWidget(contextRow_);
}

void AIPromptCardWidget::buildInstruction()
{
    auto* box = new RoundedBox(QColor::fromRgbF(0, 0, 0, 0.2f), 6, this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(4);
    row->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* marker = new PlainTextLabel(ViewFonts::mono(14, Weight::bold), kViolet, box);
    marker->setPlainText(">");
    row->addWidget(marker, 0, Qt::AlignTop);
    instruction_ = new PlainTextLabel(ViewFonts::system(13), Qt::white, box);
    instruction_->setWordWrap(true);
    row->addWidget(instruction_, 0, Qt::AlignTop);
    // The caret follows the text; long instructions wrap before the edge.
    instructionWidth_ = kInnerWidth - 20 - marker->sizeHint().width() - 2 * 4 - 2;
    cursor_ = new BlinkingCursorWidget(box);
    row->addWidget(cursor_, 0, Qt::AlignTop);
    row->addStretch(1);
    layout()->addWidget(box);
}

void AIPromptCardWidget::buildActions()
{
    actionScroll_ = transparentScrollArea(this);
    actionScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    actionScroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* strip = new QWidget(actionScroll_);
    strip->setAutoFillBackground(false);
    auto* row = new QHBoxLayout(strip);
    // Each chip's own margin leaves room for its glow and puts the chips 6 apart.
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const auto& actions = model_.quickActions();
    for (std::size_t i = 0; i < actions.size(); ++i) {
        auto* chip = new AIQuickActionChip(
            {actions[i].label, actions[i].iconName, false},
            [this, i] { model_.selectQuickAction(static_cast<int>(i)); }, strip);
        actionChips_.push_back(chip);
        row->addWidget(chip);
    }
    row->addStretch(1);
    actionScroll_->setWidget(strip);
    actionScroll_->setFixedHeight(strip->sizeHint().height());
    layout()->addWidget(actionScroll_);
}

void AIPromptCardWidget::buildBottom()
{
    composingHint_ = hintRow(AIPromptCard::generateHint, 0, this);
    layout()->addWidget(composingHint_);

    result_ = new QWidget(this);
    auto* column = new QVBoxLayout(result_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* divider = new RoundedBox(QtColor::white(0.1), 0, result_);
    divider->setFixedHeight(1);
    column->addWidget(divider);

    errorText_ = new PlainTextLabel(ViewFonts::system(11, Weight::medium),
                                    QColor::fromRgbF(1.0f, 0.231f, 0.188f, 0.9f), result_);
    errorText_->setWordWrap(true);
    column->addWidget(errorText_);

    answerRow_ = new QWidget(result_);
    auto* answerLayout = new QHBoxLayout(answerRow_);
    answerLayout->setContentsMargins(0, 0, 0, 0);
    answerLayout->setSpacing(8);
    auto* status = new QWidget(answerRow_);
    status->setFixedSize(16, 16);
    progress_ = new AIProgressIndicator(status);
    doneMark_ = symbolLabel("sparkles", kPurple, 12, status);
    doneMark_->move(2, 2);
    answerLayout->addWidget(status, 0, Qt::AlignTop);
    answerScroll_ = transparentScrollArea(answerRow_);
    answerScroll_->setWidgetResizable(false);
    answerScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    answer_ = new PlainTextLabel(ViewFonts::system(12), QtColor::white(0.95), answerScroll_);
    answer_->setWordWrap(true);
    answer_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    answer_->setTextInteractionFlags(Qt::NoTextInteraction);
    answerScroll_->setWidget(answer_);
    answerLayout->addWidget(answerScroll_, 1);
    column->addWidget(answerRow_);

    insertHint_ = hintRow(AIPromptCard::insertHint, 2, result_);
    column->addWidget(insertHint_);
    layout()->addWidget(result_);
}

void AIPromptCardWidget::render(const AIPromptCard& card)
{
    card_ = card;
    const QFontMetricsF serviceMetrics(serviceLine_->font());
    serviceLine_->setText(serviceMetrics.elidedText(QString::fromStdString(card.serviceLine), Qt::ElideRight,
                                                    serviceLineWidth_));

    contextRow_->setVisible(card.contextLine.has_value());
    if (card.contextLine) {
        const QFontMetricsF metrics(contextText_->font());
        contextText_->setText(metrics.elidedText(QString::fromStdString(*card.contextLine), Qt::ElideRight,
                                                 kInnerWidth - 16 - 15));
    }

    instruction_->setPlainText(card.instruction);
    instruction_->setColour(card.instructionIsPlaceholder ? QtColor::white(0.35) : QColor(Qt::white));
    fitText(*instruction_, instructionWidth_);

    for (std::size_t i = 0; i < actionChips_.size() && i < card.actions.size(); ++i) {
        actionChips_[i]->setAction(card.actions[i]);
        if (card.actions[i].selected) {
            actionScroll_->ensureWidgetVisible(actionChips_[i], 0, 0);
        }
    }

    const bool result = card.bottom == AIPromptCard::Bottom::result;
    composingHint_->setVisible(!result);
    result_->setVisible(result);
    errorText_->setVisible(card.errorText.has_value());
    errorText_->setPlainText(card.errorText.value_or(""));
    fitText(*errorText_, kInnerWidth);
    answerRow_->setVisible(!card.errorText);
    progress_->setVisible(card.showsProgress);
    doneMark_->setVisible(!card.showsProgress);
    answer_->setPlainText(card.answer);
    // Beside the 16-point status mark; past 120 high it scrolls, and the
    // scroll bar takes its share of the width.
    int answerWidth = kInnerWidth - 16 - 8;
    fitText(*answer_, answerWidth);
    answer_->setFixedWidth(answerWidth);
    if (answer_->height() > answerMaximumHeight) {
        answerWidth -= answerScroll_->verticalScrollBar()->sizeHint().width();
        fitText(*answer_, answerWidth);
        answer_->setFixedWidth(answerWidth);
    }
    answerScroll_->setFixedHeight(std::min(answer_->height(), answerMaximumHeight));
    insertHint_->setVisible(card.showsInsertHint);
    // Sizes set while a part was hidden are not passed up by Qt: the cached
    // hints go, from the inside out, so the panel fits what is shown now.
    answerRow_->layout()->invalidate();
    result_->layout()->invalidate();
    layout()->invalidate();
    updateGeometry();
}

void AIPromptCardWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    // The window background of the dark appearance at 90%.
    painter.fillPath(shape, QColor::fromRgbF(0.16f, 0.16f, 0.17f, 0.9f));
    QLinearGradient outline(bounds.topLeft(), bounds.bottomRight());
    outline.setColorAt(0, QColor::fromRgbF(0.7f, 0.3f, 0.95f, 0.8f));
    outline.setColorAt(1, QColor::fromRgbF(0.3f, 0.5f, 0.95f, 0.4f));
    painter.setPen(QPen(QBrush(outline), 1.5));
    painter.drawPath(shape);
}

}  // namespace qm
