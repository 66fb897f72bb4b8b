#pragma once

#include <QWidget>

namespace qm {

// One dot per onboarding step: the current one a gold 6-point circle in a
// 16-point slot, the others grey 6-point circles; a step outside 1 to 4
// leaves every dot grey.
class ProgressDotsView final : public QWidget {
public:
    explicit ProgressDotsView(QWidget* parent = nullptr);

    void setCurrentStep(int step);
    int currentStep() const { return step_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int step_ = 1;
};

}  // namespace qm
