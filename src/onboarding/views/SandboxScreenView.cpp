#include "onboarding/views/SandboxScreenView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "onboarding/OnboardingCatalog.h"
#include "onboarding/OnboardingViewModel.h"
#include "onboarding/views/OnboardingButton.h"
#include "onboarding/views/OnboardingCard.h"
#include "onboarding/views/OnboardingStyle.h"
#include "onboarding/views/SandboxCapturePopupView.h"
#include "shell/views/SymbolIcon.h"

namespace qm {

namespace {

using Style = OnboardingStyle;

// The editor pane's three window circles: red, yellow, green.
class WindowCircles final : public QWidget {
public:
    explicit WindowCircles(QWidget* parent) : QWidget(parent) { setFixedSize(3 * 10 + 2 * 6, 10); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const QColor colours[] = {QColor(255, 69, 58), QColor(255, 214, 10), QColor(50, 215, 75)};
        for (int i = 0; i < 3; ++i) {
            painter.setBrush(colours[i]);
            painter.drawEllipse(QRectF(i * 16, 0, 10, 10));
        }
    }
};

QLabel* feedLine(const std::string& line, QWidget* parent)
{
    auto* label = Style::label(line, Style::mono(10.5), Style::white(0.85), parent);
    label->setObjectName(QStringLiteral("feedLine"));
    return label;
}

}  // namespace

SandboxScreenView::SandboxScreenView(OnboardingViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    auto* header = new QVBoxLayout;
    header->setSpacing(6);
    header->setContentsMargins(0, 8, 0, 0);
    header->addWidget(
        Style::label("Try Quillmarker Interactive Sandbox", Style::font(19, true), Style::white(), this), 0,
        Qt::AlignHCenter);
    header->addWidget(Style::label("Experience quick capture. Type below and hit Space or Enter.",
                                   Style::font(11.5), Style::textMuted(), this),
                      0, Qt::AlignHCenter);
    layout->addLayout(header);

    auto* chipSection = new QVBoxLayout;
    chipSection->setSpacing(10);
    chipSection->setContentsMargins(4, 0, 4, 0);
    chipSection->addWidget(Style::label("All capture actions (tap a chip or type //command + space):",
                                        Style::font(11, true), Style::brandGold(), this));
    for (const auto& row : OnboardingCatalog::sandboxChipRows()) {
        auto* chipRow = new QHBoxLayout;
        chipRow->setSpacing(6);
        for (const auto& chip : row) {
            auto* button = new OnboardingButton("//" + chip.command + " " + chip.seed, Style::mono(10), this);
            button->setPadding(8, 4);
            // A row wider than the window shortens its longest examples.
            button->setElidesTitle(true);
            button->setToolTip(button->text());
            button->setLook({.fill = Style::white(0.06),
                             .textColour = Style::white(0.85),
                             .stroke = Style::withOpacity(Style::brandGold(), 0.2),
                             .radius = 6});
            connect(button, &QAbstractButton::clicked, this,
                    [this, chip] { model_.sandbox().tapChip(chip.command, chip.seed); });
            chipRow->addWidget(button);
            chips_.push_back(button);
        }
        chipRow->addStretch(1);
        chipSection->addLayout(chipRow);
    }
    layout->addLayout(chipSection);

    layout->addWidget(makeEditorArea());
    layout->addWidget(makeFeed());
    layout->addStretch(1);

    next_ = OnboardingButton::makeStepButton("Next: Finalize Setup", "finalizeSetup", true, this);
    connect(next_, &QAbstractButton::clicked, this, [this] { model_.finalizeSetup(); });
    layout->addWidget(next_);
    layout->addSpacing(12);
    render();
}

QWidget* SandboxScreenView::makeEditorArea()
{
    editorArea_ = new QWidget(this);
    editorArea_->installEventFilter(this);
    auto* areaLayout = new QVBoxLayout(editorArea_);
    areaLayout->setContentsMargins(0, 0, 0, 0);

    auto* pane =
        new OnboardingCard(Style::black(0.4), Style::withOpacity(Style::brandGold(), 0.25), 10, editorArea_);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    auto* titleBar = new QHBoxLayout;
    titleBar->setContentsMargins(0, 0, 0, 4);
    titleBar->addWidget(new WindowCircles(pane));
    titleBar->addStretch(1);
    titleBar->addWidget(
        Style::label("Mock Text Editor Pane", Style::font(10, true), Style::white(0.3), pane));
    layout->addLayout(titleBar);

    auto* textArea = new QWidget(pane);
    textArea->setFixedHeight(70);
    auto* textLayout = new QVBoxLayout(textArea);
    textLayout->setContentsMargins(4, 8, 0, 0);
    editor_ = new QLineEdit(textArea);
    editor_->setObjectName(QStringLiteral("sandboxEditor"));
    editor_->setFrame(false);
    editor_->setFont(Style::mono(12));
    editor_->setTextMargins(0, 0, 0, 0);
    // The hint shows only while the editor is empty, as a placeholder does.
    editor_->setPlaceholderText(QStringLiteral("Type a trigger then space (e.g. //reminders ) …"));
    QPalette colours = editor_->palette();
    colours.setColor(QPalette::Text, Qt::white);
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::PlaceholderText, Style::white(0.2));
    colours.setColor(QPalette::Highlight, Style::brandGold());
    editor_->setPalette(colours);
    connect(editor_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.sandbox().editText(text.toStdString()); });
    connect(editor_, &QLineEdit::returnPressed, this, [this] { model_.sandbox().commitEditor(); });
    textLayout->addWidget(editor_);
    textLayout->addStretch(1);
    layout->addWidget(textArea);
    areaLayout->addWidget(pane);

    popup_ = new SandboxCapturePopupView(model_.sandbox(), editorArea_);
    popup_->hide();
    return editorArea_;
}

QWidget* SandboxScreenView::makeFeed()
{
    auto* card = new OnboardingCard(Style::white(0.02), Style::white(0.06), 10, this);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(Style::label("Capture Activity Feed", Style::font(11, true), Style::white(0.6), card));
    auto* content = new QWidget;
    feedRows_ = new QVBoxLayout(content);
    feedRows_->setContentsMargins(0, 0, 0, 0);
    feedRows_->setSpacing(6);
    feedRows_->addStretch(1);
    QScrollArea* scroll = Style::scrollArea(content, card);
    scroll->setFixedHeight(100);
    layout->addWidget(scroll);
    return card;
}

bool SandboxScreenView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == editorArea_ && event->type() == QEvent::Resize) {
        placePopup();
    }
    return QWidget::eventFilter(watched, event);
}

void SandboxScreenView::placePopup()
{
    // Over the bottom of the editor pane, 16 in from the sides, 10 up.
    const int width = editorArea_->width() - 32;
    const int height = popup_->sizeHint().height();
    popup_->setGeometry(16, editorArea_->height() - 10 - height, width, height);
}

void SandboxScreenView::renderFeed()
{
    const auto& logs = model_.sandbox().logs();
    if (logs.size() == shownLogCount_) {
        return;
    }
    shownLogCount_ = logs.size();
    while (feedRows_->count() > 1) {
        QLayoutItem* item = feedRows_->takeAt(0);
        delete item->widget();
        delete item;
    }
    QWidget* content = feedRows_->parentWidget();
    if (logs.empty()) {
        auto* pending = Style::label("Pending captures... (Type inside the Mock Editor above)",
                                     Style::font(10.5), Style::white(0.25), content);
        pending->setObjectName(QStringLiteral("feedLine"));
        pending->setContentsMargins(0, 4, 0, 0);
        feedRows_->insertWidget(0, pending);
        return;
    }
    int at = 0;
    for (const auto& line : logs) {
        auto* row = new QWidget(content);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(6);
        auto* icon = new QLabel(row);
        icon->setPixmap(
            SymbolIcon::pixmap("arrow.right.circle.fill", Style::brandGold(), 11, devicePixelRatioF()));
        rowLayout->addWidget(icon);
        rowLayout->addWidget(feedLine(line, row), 1);
        feedRows_->insertWidget(at++, row);
    }
}

QStringList SandboxScreenView::feedLines() const
{
    QStringList lines;
    for (int i = 0; i < feedRows_->count(); ++i) {
        QWidget* row = feedRows_->itemAt(i)->widget();
        if (!row) {
            continue;
        }
        const auto* label = row->objectName() == QStringLiteral("feedLine")
                                ? qobject_cast<QLabel*>(row)
                                : row->findChild<QLabel*>(QStringLiteral("feedLine"));
        if (label) {
            lines.push_back(label->text());
        }
    }
    return lines;
}

void SandboxScreenView::render()
{
    const SandboxViewModel& sandbox = model_.sandbox();
    const bool active = sandbox.isCaptureActive();
    const QString text = QString::fromStdString(sandbox.text());
    if (editor_->text() != text) {
        editor_->setText(text);
    }
    editor_->setEnabled(!active);
    for (auto* chip : chips_) {
        chip->setEnabled(!active);
    }
    if (active) {
        popup_->render();
        placePopup();
        popup_->show();
        popup_->raise();
        popup_->render();
    } else {
        popup_->hide();
    }
    // The popup was the editor's: when it closes, typing goes on there.
    if (wasCaptureActive_ && !active && isVisible()) {
        focusEditor();
    }
    wasCaptureActive_ = active;
    renderFeed();

    const bool ready = model_.canFinalizeSetup();
    next_->setLook(OnboardingButton::stepLook(ready, 0.5));
    next_->setEnabled(ready);
}

void SandboxScreenView::focusEditor()
{
    editor_->setFocus(Qt::OtherFocusReason);
}

}  // namespace qm
