#include "settings/views/PermissionsPage.h"

#include <functional>

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/PermissionsModel.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {
namespace {

struct Row {
    const char* id;
    bool (PermissionsModel::*granted)() const;
    const char* title;
    const char* grantedText;
    const char* missingText;
    void (PermissionsModel::*action)();
};

const Row kRows[] = {
    {"", &PermissionsModel::isAccessibilityGranted, "macOS Accessibility Access",
     "Granted. Keyboard intercept tap is active.", "Required to detect your custom quill-marker hotkeys.",
     &PermissionsModel::checkAccessibility},
    {"reminders", &PermissionsModel::isRemindersGranted, "macOS Reminders Access",
     "Granted. Local reminders integration is active.",
     "Required to capture and post tasks natively to your local lists.", &PermissionsModel::checkReminders},
    {"notifications", &PermissionsModel::isNotificationsGranted, "macOS Notifications Access",
     "Granted. //timer and //alarm can alert you when they fire.",
     "Required for //timer and //alarm. Enable Banners/Alerts for Quillmarker in System Settings.",
     &PermissionsModel::checkNotifications},
    {"calendar", &PermissionsModel::isCalendarGranted, "macOS Calendar Access",
     "Granted. //calendar can create timed events.", "Required to create calendar events via //calendar.",
     &PermissionsModel::checkCalendar},
};

}  // namespace

PermissionsPage::PermissionsPage(PermissionsModel& model, std::string focusedField, QWidget* parent)
    : QWidget(parent), model_(model), focusedField_(std::move(focusedField))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* card = new SettingsSectionCard("System Permissions Status", "lock.shield");
    rows_ = new QVBoxLayout;
    rows_->setSpacing(16);
    card->content()->addLayout(rows_);
    layout->addWidget(card);
    model_.onChange = [this] { render(); };
    render();
}

PermissionsPage::~PermissionsPage()
{
    model_.onChange = nullptr;
}

void PermissionsPage::highlight(const std::string& rowId)
{
    focusedField_ = rowId;
    render();
}

QWidget* PermissionsPage::row(const std::string& rowId) const
{
    const auto found = rowsById_.find(rowId);
    return found == rowsById_.end() ? nullptr : found->second;
}

void PermissionsPage::render()
{
    using namespace SettingsStyle;
    clear(rows_);
    rowsById_.clear();
    for (const auto& row : kRows) {
        const bool granted = (model_.*row.granted)();
        auto* panel = new SettingsSectionCard("", "");
        panel->setHighlighted(*row.id && focusedField_ == row.id);
        auto* line = new QHBoxLayout;
        line->setSpacing(12);
        line->addWidget(symbol(granted ? "checkmark.circle.fill" : "exclamationmark.circle.fill",
                               granted ? QColor(40, 170, 70) : brandGold(), 24));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(3);
        texts->addWidget(plainLabel(row.title, ViewFonts::system(12.5, ViewFonts::Weight::bold)));
        texts->addWidget(plainLabel(granted ? row.grantedText : row.missingText, ViewFonts::system(11),
                                    textMuted(), true));
        line->addLayout(texts, 1);
        auto* button = new QPushButton(granted ? "Verify" : "Grant");
        connect(button, &QPushButton::clicked, this, [this, action = row.action] { (model_.*action)(); });
        line->addWidget(button);
        panel->content()->addLayout(line);
        rows_->addWidget(panel);
        if (*row.id) {
            rowsById_[row.id] = panel;
        }
    }
}

}  // namespace qm
