#include "settings/views/SettingsWindowWidget.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "settings/SettingsWindowModel.h"
#include "settings/views/CaptureTargetsPage.h"
#include "settings/views/ErrorLogsPage.h"
#include "settings/views/GeneralPage.h"
#include "settings/views/HelpPage.h"
#include "settings/views/HistoryPage.h"
#include "settings/views/PermissionsPage.h"
#include "settings/views/ScheduledPage.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "settings/views/ShortcutsPage.h"
#include "shell/views/KeyHandlingHostingView.h"
#include "shell/views/SymbolIcon.h"
#include "shell/views/ViewFonts.h"

namespace qm {

namespace {

constexpr int kSidebarSymbolSize = 13;
// The symbol sits centred in a frame this wide, which keeps the titles of
// all rows in one column whatever the width of each symbol.
const QSize kSidebarSymbolFrame(18, kSidebarSymbolSize);

QPixmap sidebarSymbol(std::string_view name, const QColor& color)
{
    QPixmap frame(kSidebarSymbolFrame);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.drawPixmap((kSidebarSymbolFrame.width() - kSidebarSymbolSize) / 2, 0,
                       SymbolIcon::pixmap(name, color, kSidebarSymbolSize));
    return frame;
}

}  // namespace

SettingsWindowWidget::SettingsWindowWidget(SettingsWindowModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model)
{
    using namespace SettingsStyle;
    setWindowTitle("Quillmarker Settings");
    setMinimumSize(720, 480);
    resize(780, 500);

    // Hosted as the onboarding window is: the editing keys work in every field.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* host = new KeyHandlingHostingView(this);
    outer->addWidget(host);
    auto* content = new QWidget;
    auto* root = new QHBoxLayout(content);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* sidebar = new QWidget;
    sidebar->setFixedWidth(200);
    sidebar->setAutoFillBackground(true);
    QPalette sidebarPalette = sidebar->palette();
    sidebarPalette.setColor(QPalette::Window, QColor(236, 236, 238));
    sidebar->setPalette(sidebarPalette);
    auto* side = new QVBoxLayout(sidebar);
    side->setContentsMargins(8, 0, 8, 0);
    side->setSpacing(4);
    auto* heading = plainLabel("Quillmarker Settings", ViewFonts::system(15, ViewFonts::Weight::bold),
                               QColor(0x1d, 0x1d, 0x1f), true);
    heading->setContentsMargins(12, 20, 12, 12);
    side->addWidget(heading);
    for (SettingsSection section : SettingsSections::allCases) {
        // "&" would mark a mnemonic in a button's title.
        auto* button =
            new QPushButton(QString::fromUtf8(SettingsSections::rawValue(section).data(),
                                              static_cast<int>(SettingsSections::rawValue(section).size()))
                                .replace("&", "&&"));
        // The selected row is filled with the gold, so its symbol turns white.
        QIcon icon;
        icon.addPixmap(sidebarSymbol(SettingsSections::iconName(section), brandGold()), QIcon::Normal,
                       QIcon::Off);
        icon.addPixmap(sidebarSymbol(SettingsSections::iconName(section), Qt::white), QIcon::Normal,
                       QIcon::On);
        button->setIcon(icon);
        button->setIconSize(kSidebarSymbolFrame);
        button->setFlat(true);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet("QPushButton { text-align: left; padding: 7px 10px; border-radius: 6px; }"
                              "QPushButton:checked { background: rgb(230, 166, 51); color: white; }");
        connect(button, &QPushButton::clicked, this, [this, section] {
            model_.selectSection(section);
            // Re-selecting the current page keeps it, and keeps its row checked.
            sidebar_[static_cast<std::size_t>(section)]->setChecked(true);
        });
        side->addWidget(button);
        sidebar_.push_back(button);
    }
    side->addStretch();
    root->addWidget(sidebar);

    scroll_ = new QScrollArea;
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    root->addWidget(scroll_, 1);
    auto* detail = new QWidget;
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(24, 24, 24, 24);
    detailLayout->setSpacing(20);
    auto* header = new QVBoxLayout;
    header->setSpacing(4);
    title_ = plainLabel("", ViewFonts::system(20, ViewFonts::Weight::bold));
    subtitle_ = plainLabel("", ViewFonts::system(11.5), textMuted(), true);
    header->addWidget(title_);
    header->addWidget(subtitle_);
    detailLayout->addLayout(header);
    detailLayout->addStretch();
    scroll_->setWidget(detail);
    detail->installEventFilter(this);
    host->setContent(content);

    model_.onSectionChanged = [this](SettingsSection) { showSection(); };
    model_.onFocusedFieldChanged = [this] { applyHighlight(); };
    model_.onScrollToCard = [this](const std::string& id) {
        QWidget* target = nullptr;
        if (auto* targets = dynamic_cast<CaptureTargetsPage*>(page_)) {
            target = targets->card(id);
        } else if (auto* permissions = dynamic_cast<PermissionsPage*>(page_)) {
            target = id == "permissions" ? page_ : permissions->row(id);
        }
        // A field no card carries scrolls nowhere.
        if (target) {
            scroll_->ensureWidgetVisible(target, 0, scroll_->viewport()->height() / 2);
        }
    };
    model_.onFocusField = [this](const std::string& id) {
        if (auto* targets = dynamic_cast<CaptureTargetsPage*>(page_)) {
            targets->focusField(id);
        }
    };
    showSection();
}

SettingsWindowWidget::~SettingsWindowWidget()
{
    model_.onSectionChanged = nullptr;
    model_.onFocusedFieldChanged = nullptr;
    model_.onScrollToCard = nullptr;
    model_.onFocusField = nullptr;
}

QPushButton* SettingsWindowWidget::sidebarButton(int index) const
{
    return sidebar_.at(static_cast<std::size_t>(index));
}

void SettingsWindowWidget::rebuildPage()
{
    showSection();
}

void SettingsWindowWidget::showSection()
{
    const SettingsSection section = model_.currentSection();
    for (std::size_t i = 0; i < sidebar_.size(); ++i) {
        sidebar_[i]->setChecked(SettingsSections::allCases[i] == section);
    }
    title_->setText(QString::fromUtf8(SettingsSections::rawValue(section).data(),
                                      static_cast<int>(SettingsSections::rawValue(section).size())));
    subtitle_->setText(QString::fromUtf8(SettingsSections::subtitle(section).data(),
                                         static_cast<int>(SettingsSections::subtitle(section).size())));
    auto* detailLayout = static_cast<QVBoxLayout*>(scroll_->widget()->layout());
    // The page of a model that starts afresh never touches it on the way out:
    // that model is already gone.
    delete page_;
    page_ = nullptr;
    switch (section) {
    case SettingsSection::general:
        page_ = new GeneralPage(model_.general());
        break;
    case SettingsSection::captureTargets:
        page_ = new CaptureTargetsPage(model_.captureTargets());
        break;
    case SettingsSection::scheduled:
        page_ = new ScheduledPage(model_.scheduled());
        break;
    case SettingsSection::history:
        page_ = model_.history() ? new HistoryPage(*model_.history()) : nullptr;
        break;
    case SettingsSection::errorLogs:
        page_ = model_.errorLogs() ? new ErrorLogsPage(*model_.errorLogs()) : nullptr;
        break;
    case SettingsSection::shortcuts:
        page_ = model_.shortcuts() ? new ShortcutsPage(*model_.shortcuts()) : nullptr;
        break;
    case SettingsSection::privacyPermissions:
        page_ = new PermissionsPage(model_.permissions(), model_.focusedField().value_or(""));
        break;
    case SettingsSection::help:
        page_ = new HelpPage;
        break;
    }
    if (page_) {
        detailLayout->insertWidget(1, page_);
        // A layout shows a widget added to a visible window only on the next
        // turn of the event loop; until then it is left out of the height the
        // pane is given, and the page would be squeezed into the window.
        page_->show();
    }
    applyHighlight();
    fitDetail();
    scroll_->verticalScrollBar()->setValue(0);
}

void SettingsWindowWidget::applyHighlight()
{
    const std::string field = model_.focusedField().value_or("");
    if (auto* targets = dynamic_cast<CaptureTargetsPage*>(page_)) {
        targets->highlight(field);
    } else if (auto* permissions = dynamic_cast<PermissionsPage*>(page_)) {
        permissions->highlight(field);
    }
}

void SettingsWindowWidget::fitDetail()
{
    QWidget* detail = scroll_->widget();
    const int height = detail->layout()->heightForWidth(scroll_->viewport()->width());
    if (height > 0 && detail->minimumHeight() != height) {
        detail->setMinimumHeight(height);
    }
}

void SettingsWindowWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitDetail();
}

bool SettingsWindowWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll_->widget() && event->type() == QEvent::LayoutRequest) {
        fitDetail();
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsWindowWidget::closeEvent(QCloseEvent* event)
{
    event->accept();
    delete page_;
    page_ = nullptr;
    model_.close();
    if (onClosed) {
        onClosed();
    }
}

}  // namespace qm
