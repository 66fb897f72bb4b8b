#pragma once

#include <string>
#include <vector>

#include <QWidget>

class QLabel;
class QPushButton;

namespace qm {

class PermissionsModel;
class SettingsSectionCard;

// The Privacy & Permissions page: the four grants with Grant or Verify. The
// rows are made once and redrawn in place, so the once-a-second Accessibility
// poll never leaves cards behind.
class PermissionsPage : public QWidget {
public:
    PermissionsPage(PermissionsModel& model, std::string focusedField, QWidget* parent = nullptr);
    ~PermissionsPage() override;

    // Outlines the row with this id ("reminders", "notifications", "calendar").
    void highlight(const std::string& rowId);
    // The row with this id, or nothing (the Accessibility row has none).
    QWidget* row(const std::string& rowId) const;

private:
    // The widgets of one grant that change with its state.
    struct RowView {
        std::string id;
        SettingsSectionCard* card;
        QLabel* status;
        QLabel* detail;
        QPushButton* button;
    };

    void render();

    PermissionsModel& model_;
    std::string focusedField_;
    std::vector<RowView> rows_;
};

}  // namespace qm
