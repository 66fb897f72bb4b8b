#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "settings/CaptureHistoryModel.h"
#include "settings/CaptureTargetsModel.h"
#include "settings/ErrorLogsModel.h"
#include "settings/GeneralSettingsModel.h"
#include "settings/PermissionsModel.h"
#include "settings/ScheduledCapturesModel.h"
#include "settings/SettingsSection.h"
#include "settings/SettingsServices.h"
#include "settings/ShortcutRecorderModel.h"

namespace qm {

// The settings window's state: the page shown, the card a request points at,
// and the models of the pages. Other components open a page, and point at one
// card on it, with "SelectSettingsSection" (userInfo "section": a page's raw
// value; "field": a card id).
//
// The History, Error Logs and Shortcuts pages start afresh each time they are
// chosen; the others keep their state while the window lives. Every delayed
// step holds the model's AliveToken, and close() stops every timer, so a
// closed window is never touched. Main thread only.
class SettingsWindowModel {
public:
    static constexpr double kScrollDelay = 0.05;
    static constexpr double kFocusDelay = 0.25;

    explicit SettingsWindowModel(SettingsServices services);
    ~SettingsWindowModel();
    SettingsWindowModel(const SettingsWindowModel&) = delete;
    SettingsWindowModel& operator=(const SettingsWindowModel&) = delete;

    SettingsSection currentSection() const { return currentSection_; }
    // A sidebar row: re-selecting the current page changes nothing.
    void selectSection(SettingsSection section);

    // The card to highlight, kept until the next request.
    const std::optional<std::string>& focusedField() const { return focusedField_; }
    bool isHighlighted(std::string_view cardId) const { return focusedField_ && *focusedField_ == cardId; }
    // The text field that should hold the keyboard focus (set 0.25 s after a request).
    const std::optional<std::string>& settingsFocus() const { return settingsFocus_; }

    // The window came on screen: permissions, the Slack token and the
    // pending list are read again, and the current page loads.
    void appear();
    // The window closed: every timer stops.
    void close();

    GeneralSettingsModel& general() { return general_; }
    CaptureTargetsModel& captureTargets() { return captureTargets_; }
    ScheduledCapturesModel& scheduled() { return scheduled_; }
    PermissionsModel& permissions() { return permissions_; }
    // Present only while their page is the current one.
    CaptureHistoryModel* history() { return history_.get(); }
    ErrorLogsModel* errorLogs() { return errorLogs_.get(); }
    ShortcutRecorderModel* shortcuts() { return shortcuts_.get(); }

    // The page changed (the view swaps its page widget).
    std::function<void(SettingsSection)> onSectionChanged;
    // The highlighted card changed.
    std::function<void()> onFocusedFieldChanged;
    // Scroll the card with this id into the centre (0.05 s after it was pointed at).
    std::function<void(const std::string&)> onScrollToCard;
    // Give this field the keyboard focus (0.25 s after the request).
    std::function<void(const std::string&)> onFocusField;

private:
    void receiveSelectSettingsSection(const Notification& notification);
    void setFocusedField(std::optional<std::string> field);
    void enter(SettingsSection section);
    void makePage(SettingsSection section);

    SettingsServices services_;
    SettingsSection currentSection_ = SettingsSection::general;
    std::optional<std::string> focusedField_;
    std::optional<std::string> settingsFocus_;
    GeneralSettingsModel general_;
    CaptureTargetsModel captureTargets_;
    ScheduledCapturesModel scheduled_;
    PermissionsModel permissions_;
    std::unique_ptr<CaptureHistoryModel> history_;
    std::unique_ptr<ErrorLogsModel> errorLogs_;
    std::unique_ptr<ShortcutRecorderModel> shortcuts_;
    NotificationCenter::ObserverToken selectObserver_;
    AliveToken alive_;
};

}  // namespace qm
