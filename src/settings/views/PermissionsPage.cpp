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
    // A plain function, not a member pointer: GCC's UBSan misreads a member
    // pointer called from a Qt slot as a stack underflow under ASan.
    void (*action)(PermissionsModel&);
};

const Row kRows[] = {
    {"", &PermissionsModel::isAccessibilityGranted, "macOS Accessibility Access",
     "Granted. Keyboard intercept tap is active.", "Required to detect your custom quill-marker hotkeys.",
     [](PermissionsModel& model) { model.checkAccessibility(); }},
    {"reminders", &PermissionsModel::isRemindersGranted, "macOS Reminders Access",
     "Granted. Local reminders integration is active.",
     "Required to capture and post tasks natively to your local lists.",
     [](PermissionsModel& model) { model.checkReminders(); }},
    {"notifications", &PermissionsModel::isNotificationsGranted, "macOS Notifications Access",
     "Granted. //timer and //alarm can alert you when they fire.",
     "Required for //timer and //alarm. Enable Banners/Alerts for Quillmarker in System Settings.",
     [](PermissionsModel& model) { model.checkNotifications(); }},
    {"calendar", &PermissionsModel::isCalendarGranted, "macOS Calendar Access",
     "Granted. //calendar can create timed events.", "Required to create calendar events via //calendar.",
     [](PermissionsModel& model) { model.checkCalendar(); }},
};

constexpr int kStatusSize = 24;

}  // namespace

PermissionsPage::PermissionsPage(PermissionsModel& model, std::string focusedField, QWidget* parent)
    : QWidget(parent), model_(model), focusedField_(std::move(focusedField))
{
    using namespace SettingsStyle;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* card = new SettingsSectionCard("System Permissions Status", "lock.shield");
    auto* rows = new QVBoxLayout;
    rows->setSpacing(16);
    for (const auto& row : kRows) {
        RowView view{row.id, new SettingsSectionCard("", ""), symbol("", QColor(), kStatusSize), nullptr,
                     new QPushButton};
        auto* line = new QHBoxLayout;
        line->setSpacing(12);
        line->addWidget(view.status);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(3);
        texts->addWidget(plainLabel(row.title, ViewFonts::system(12.5, ViewFonts::Weight::bold)));
        view.detail = plainLabel("", ViewFonts::system(11), textMuted(), true);
        texts->addWidget(view.detail);
        line->addLayout(texts, 1);
        connect(view.button, &QPushButton::clicked, this, [this, action = row.action] { action(model_); });
        line->addWidget(view.button);
        view.card->content()->addLayout(line);
        rows->addWidget(view.card);
        rows_.push_back(view);
    }
    card->content()->addLayout(rows);
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
    if (rowId.empty()) {
        return nullptr;
    }
    for (const auto& view : rows_) {
        if (view.id == rowId) {
            return view.card;
        }
    }
    return nullptr;
}

void PermissionsPage::render()
{
    using namespace SettingsStyle;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = kRows[i];
        const RowView& view = rows_[i];
        const bool granted = (model_.*row.granted)();
        view.card->setHighlighted(!view.id.empty() && focusedField_ == view.id);
        setSymbol(view.status, granted ? "checkmark.circle.fill" : "exclamationmark.circle.fill",
                  granted ? QColor(40, 170, 70) : brandGold(), kStatusSize);
        view.detail->setText(granted ? row.grantedText : row.missingText);
        view.button->setText(granted ? "Verify" : "Grant");
    }
}

}  // namespace qm
