#pragma once

#include <QWidget>

class QCheckBox;

namespace qm {

class GeneralSettingsModel;

// The General page: the local-first note and the MCP server's checkbox.
class GeneralPage : public QWidget {
public:
    explicit GeneralPage(GeneralSettingsModel& model, QWidget* parent = nullptr);
    ~GeneralPage() override;

    QCheckBox* mcpCheckBox() const { return checkBox_; }

private:
    GeneralSettingsModel& model_;
    QCheckBox* checkBox_;
};

}  // namespace qm
