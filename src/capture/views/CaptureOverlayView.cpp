#include "capture/views/CaptureOverlayView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "capture/views/CaptureTextEdit.h"
#include "capture/views/RoundedBox.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/MainLoop.h"
#include "shell/views/PlainTextLabel.h"
#include "shell/views/SymbolIcon.h"
#include "shell/views/ViewFonts.h"

namespace qm {

namespace {

constexpr const char* kUpdateCapturePanelSize = "UpdateCapturePanelSize";

// The named colours on the overlay's dark translucent material.
QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity));
    return colour;
}
const QColor kPrimary(255, 255, 255, 230);
const QColor kSecondary(235, 235, 245, 153);
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 69, 58);
const QColor kBlue(10, 132, 255);

using Weight = ViewFonts::Weight;

QFont mono(qreal points, Weight weight = Weight::regular, bool italic = false)
{
    return ViewFonts::mono(points, weight, italic);
}

// Everything these labels show may come from the user or a server.
QLabel* label(const QFont& font, const QColor& colour, QWidget* parent)
{
    return new PlainTextLabel(font, colour, parent);
}

void setColour(QLabel& target, const QColor& colour)
{
    QPalette colours = target.palette();
    if (colours.color(QPalette::WindowText) != colour) {
        colours.setColor(QPalette::WindowText, colour);
        target.setPalette(colours);
    }
}

void setText(QLabel& target, const std::string& text)
{
    const QString value = QString::fromStdString(text);
    if (target.text() != value) {
        target.setText(value);
    }
}

QLabel* iconLabel(std::string_view symbol, const QColor& colour, int size, QWidget* parent)
{
    auto* icon = new QLabel(parent);
    icon->setTextFormat(Qt::PlainText);
    icon->setPixmap(SymbolIcon::pixmap(symbol, colour, size, parent ? parent->devicePixelRatioF() : 1.0));
    icon->setFixedSize(size, size);
    return icon;
}

}  // namespace

struct CaptureOverlayView::PickerRowWidgets {
    RoundedBox* row = nullptr;
    QLabel* channelIcon = nullptr;
    QLabel* personIcon = nullptr;
    QLabel* otherIcon = nullptr;
    QLabel* name = nullptr;
    QLabel* selectHint = nullptr;
};

CaptureOverlayView::CaptureOverlayView(MainLoop& mainLoop, CaptureRouterController& router,
                                       NotificationCenter& center, const UserDefaults& defaults,
                                       QWidget* parent)
    : QWidget(parent), mainLoop_(mainLoop), router_(router), center_(center), defaults_(defaults),
      commands_(
          router, center, [&router] { router.commitCapture(); }, [&router] { router.cancelCapture(); })
{
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(10, 10, 10, 10);
    root->setSpacing(0);
    buildConfigError();
    buildHeader();
    buildMessageBox();
    calcLine_ = label(mono(12, Weight::medium), kSecondary, this);
    calcLine_->setContentsMargins(4, 6, 4, 0);
    root->addWidget(calcLine_);
    buildPickerList();
    root->addStretch(1);
    observer_ = router_.addCaptureStateObserver(alive_.guard([this] { render(); }));
    render();
}

CaptureOverlayView::~CaptureOverlayView()
{
    router_.removeCaptureStateObserver(observer_);
}

void CaptureOverlayView::buildConfigError()
{
    configError_ = new RoundedBox(withOpacity(kRed, 0.1), 6, this);
    auto* row = new QHBoxLayout(configError_);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(8);
    row->addWidget(iconLabel("exclamationmark.triangle.fill", kRed, 14, configError_), 0, Qt::AlignTop);
    configErrorText_ = label(mono(11, Weight::semibold), kRed, configError_);
    configErrorText_->setWordWrap(true);
    row->addWidget(configErrorText_, 1, Qt::AlignTop);
    layout()->addWidget(configError_);
}

void CaptureOverlayView::buildHeader()
{
    // The confirmed conversation: "TO" badge, the name, "esc to undo".
    auto* confirmedSlot = new QWidget(this);
    auto* confirmedOuter = new QVBoxLayout(confirmedSlot);
    confirmedOuter->setContentsMargins(0, 0, 0, 8);
    confirmedHeader_ = new RoundedBox(withOpacity(kSecondary, 0.08), 6, confirmedSlot);
    confirmedOuter->addWidget(confirmedHeader_);
    auto* confirmedRow = new QHBoxLayout(confirmedHeader_);
    confirmedRow->setContentsMargins(8, 6, 8, 6);
    confirmedRow->setSpacing(6);
    auto* badge = new RoundedBox(withOpacity(kWhite, 0.12), 3, confirmedHeader_);
    auto* badgeRow = new QHBoxLayout(badge);
    badgeRow->setContentsMargins(5, 2, 5, 2);
    auto* badgeText = label(mono(9, Weight::bold), withOpacity(kWhite, 0.6), badge);
    badgeText->setText(QStringLiteral("TO"));
    badgeRow->addWidget(badgeText);
    confirmedRow->addWidget(badge);
    confirmedName_ = label(mono(11, Weight::bold), kPrimary, confirmedHeader_);
    confirmedName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    confirmedRow->addWidget(confirmedName_, 1);
    auto* undo = label(mono(9), withOpacity(kSecondary, 0.7), confirmedHeader_);
    undo->setText(QStringLiteral("esc to undo"));
    confirmedRow->addWidget(undo);
    layout()->addWidget(confirmedSlot);

    // The Slack heading and the targets' banners.
    bannerHeader_ = new QWidget(this);
    auto* bannerRow = new QHBoxLayout(bannerHeader_);
    bannerRow->setContentsMargins(0, 0, 0, 6);
    bannerTitle_ = label(mono(10, Weight::bold), kSecondary, bannerHeader_);
    bannerRow->setSpacing(8);
    bannerRow->addWidget(bannerTitle_, 0, Qt::AlignVCenter);
    // The subtitle takes the rest of the row, right-aligned, two lines at most.
    bannerSubtitle_ = label(mono(9), withOpacity(kSecondary, 0.7), bannerHeader_);
    bannerSubtitle_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    bannerSubtitle_->setWordWrap(true);
    bannerSubtitle_->setMaximumHeight(QFontMetrics(bannerSubtitle_->font()).lineSpacing() * 2);
    bannerSubtitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bannerRow->addWidget(bannerSubtitle_, 1, Qt::AlignVCenter);
    layout()->addWidget(bannerHeader_);
}

void CaptureOverlayView::buildMessageBox()
{
    messageBox_ = new RoundedBox(withOpacity(kSecondary, 0.06), 4, this);
    messageBox_->setMinimumHeight(60 + 12);
    messageBox_->setMaximumHeight(120 + 12);
    auto* stack = new QGridLayout(messageBox_);
    stack->setContentsMargins(6, 6, 6, 6);
    messageField_ = new CaptureTextEdit(commands_, messageBox_);
    messageField_->setFixedHeight(60);
    stack->addWidget(messageField_, 0, 0);
    placeholder_ = label(mono(13, Weight::regular, true), withOpacity(kSecondary, 0.5), messageBox_);
    placeholder_->setContentsMargins(4, 4, 0, 0);
    placeholder_->setWordWrap(true);
    placeholder_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    placeholder_->setAttribute(Qt::WA_TransparentForMouseEvents);
    placeholder_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    stack->addWidget(placeholder_, 0, 0);
    placeholder_->raise();
    layout()->addWidget(messageBox_);

    QObject::connect(messageField_, &QPlainTextEdit::textChanged, this, [this] { messageEdited(); });
}

void CaptureOverlayView::buildPickerList()
{
    pickerList_ = new QWidget(this);
    auto* rows = new QVBoxLayout(pickerList_);
    rows->setContentsMargins(0, 8, 0, 0);
    rows->setSpacing(1);
    for (auto& widgets : pickerRows_) {
        widgets = std::make_unique<PickerRowWidgets>();
        widgets->row = new RoundedBox(Qt::transparent, 4, pickerList_);
        auto* row = new QHBoxLayout(widgets->row);
        row->setContentsMargins(8, 6, 8, 6);
        row->setSpacing(8);
        auto* iconCell = new QWidget(widgets->row);
        iconCell->setFixedWidth(14);
        auto* cell = new QHBoxLayout(iconCell);
        cell->setContentsMargins(0, 0, 0, 0);
        widgets->channelIcon = label(mono(12, Weight::bold), withOpacity(kBlue, 0.8), iconCell);
        widgets->channelIcon->setText(QStringLiteral("#"));
        widgets->personIcon = iconLabel("person.fill", kSecondary, 12, iconCell);
        widgets->otherIcon = iconLabel("gearshape.fill", kSecondary, 12, iconCell);
        for (QLabel* icon : {widgets->channelIcon, widgets->personIcon, widgets->otherIcon}) {
            cell->addWidget(icon, 0, Qt::AlignCenter);
        }
        row->addWidget(iconCell);
        widgets->name = label(mono(12), kPrimary, widgets->row);
        widgets->name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(widgets->name, 1);
        widgets->selectHint = label(mono(9), withOpacity(kWhite, 0.8), widgets->row);
        widgets->selectHint->setText(QStringLiteral("\u21B5 select"));
        row->addWidget(widgets->selectHint);
        rows->addWidget(widgets->row);
    }
    layout()->addWidget(pickerList_);
}

void CaptureOverlayView::setTargetName(const std::string& targetName)
{
    targetName_ = targetName;
    render();
    // A new capture: what was typed in the last one is not undoable here.
    messageField_->document()->clearUndoRedoStacks();
}

void CaptureOverlayView::render()
{
    model_ = CaptureOverlayViewModel::make(targetName_, router_.captureState(), defaults_);
    const bool error = model_.configErrorMessage.has_value();
    configError_->setVisible(error);
    if (error) {
        setText(*configErrorText_, *model_.configErrorMessage);
    }
    applyHeader();
    messageBox_->setVisible(!error);
    applyMessage();
    calcLine_->setVisible(model_.calcResultLine.has_value());
    if (model_.calcResultLine) {
        setText(*calcLine_, *model_.calcResultLine);
    }
    applyPickerRows();
    scheduleFocusGrab();
}

void CaptureOverlayView::applyHeader()
{
    using Kind = CaptureOverlayViewModel::Header::Kind;
    const auto& header = model_.header;
    auto* confirmedSlot = static_cast<QWidget*>(confirmedHeader_->parentWidget());
    confirmedSlot->setVisible(header && header->kind == Kind::confirmedTarget);
    bannerHeader_->setVisible(header && header->kind == Kind::banner);
    if (!header) {
        return;
    }
    if (header->kind == Kind::confirmedTarget) {
        setText(*confirmedName_, header->title);
    } else {
        setText(*bannerTitle_, header->title);
        setText(*bannerSubtitle_, header->subtitle);
    }
}

void CaptureOverlayView::applyMessage()
{
    placeholder_->setVisible(model_.placeholder.has_value() && !model_.configErrorMessage);
    if (model_.placeholder) {
        setText(*placeholder_, *model_.placeholder);
    }
    const QString text = QString::fromStdString(model_.messageText);
    // A value already shown is not written again (the caret and undo stay).
    if (messageField_->toPlainText() != text) {
        applyingModel_ = true;
        messageField_->setPlainText(text);
        messageField_->moveCursor(QTextCursor::End);
        applyingModel_ = false;
    }
}

void CaptureOverlayView::applyPickerRows()
{
    using Icon = CaptureOverlayViewModel::PickerRow::Icon;
    pickerList_->setVisible(!model_.pickerRows.empty());
    for (std::size_t index = 0; index < pickerRows_.size(); ++index) {
        PickerRowWidgets& widgets = *pickerRows_[index];
        const bool shown = index < model_.pickerRows.size();
        widgets.row->setVisible(shown);
        if (!shown) {
            continue;
        }
        const auto& row = model_.pickerRows[index];
        widgets.channelIcon->setVisible(row.icon == Icon::channel);
        widgets.personIcon->setVisible(row.icon == Icon::person);
        widgets.otherIcon->setVisible(row.icon == Icon::other);
        setText(*widgets.name, row.option.displayName);
        setColour(*widgets.name, row.selected ? kWhite : kPrimary);
        widgets.selectHint->setVisible(row.selected);
        widgets.row->setFill(row.selected ? withOpacity(kBlue, 0.6) : QColor(Qt::transparent));
    }
}

void CaptureOverlayView::messageEdited()
{
    if (applyingModel_) {
        return;
    }
    const std::string text = messageField_->toPlainText().toStdString();
    if (text == router_.messageInput()) {
        return;
    }
    router_.setMessageInput(text);
    router_.handleMessageInputChange(text);
    postSizeUpdate();
}

void CaptureOverlayView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    postSizeUpdate();
}

void CaptureOverlayView::postSizeUpdate()
{
    center_.post(kUpdateCapturePanelSize);
}

void CaptureOverlayView::scheduleFocusGrab()
{
    // After the view is in its window: on the next turn of the main loop.
    if (focusGrabScheduled_) {
        return;
    }
    focusGrabScheduled_ = true;
    mainLoop_.post(alive_.guard([this] {
        focusGrabScheduled_ = false;
        QWidget* panel = window();
        if (router_.isCaptureModeActive() && panel && panel->isVisible() && messageBox_->isVisible() &&
            !messageField_->hasFocus()) {
            messageField_->setFocus(Qt::OtherFocusReason);
        }
    }));
}

}  // namespace qm
