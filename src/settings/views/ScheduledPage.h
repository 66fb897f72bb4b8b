#pragma once

#include <vector>

#include <QWidget>

#include "targets/PendingScheduledCapture.h"

class QLabel;
class QVBoxLayout;

namespace qm {

class ScheduledCapturesModel;

// The Scheduled page: the pending timers and alarms with Cancel, and Refresh.
// The once-a-second reload only moves the countdowns while the rows stay the
// same, so a Cancel button being pressed is still there when it is released.
class ScheduledPage : public QWidget {
public:
    explicit ScheduledPage(ScheduledCapturesModel& model, QWidget* parent = nullptr);
    ~ScheduledPage() override;

private:
    void render();
    void rebuildRows();

    ScheduledCapturesModel& model_;
    QVBoxLayout* rows_;
    QLabel* count_;
    // The rows as last built, and each one's countdown.
    std::vector<PendingScheduledCapture> shown_;
    std::vector<QLabel*> countdowns_;
};

}  // namespace qm
