#pragma once

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

private:
    void render();

    PermissionsModel& model_;
    std::string focusedField_;
    QVBoxLayout* rows_;
};

}  // namespace qm
