#pragma once

#include <map>
#include <string>

#include <QWidget>

class QVBoxLayout;

namespace qm {

class PermissionsModel;
class SettingsSectionCard;

// The Privacy & Permissions page: the four grants with Grant or Verify.
class PermissionsPage : public QWidget {
public:
    PermissionsPage(PermissionsModel& model, std::string focusedField, QWidget* parent = nullptr);
    ~PermissionsPage() override;

    // Outlines the row with this id ("reminders", "notifications", "calendar").
    void highlight(const std::string& rowId);
    // The row with this id, or nothing (the Accessibility row has none).
    QWidget* row(const std::string& rowId) const;

private:
    void render();

    PermissionsModel& model_;
    std::string focusedField_;
    QVBoxLayout* rows_;
    std::map<std::string, QWidget*> rowsById_;
};

}  // namespace qm
