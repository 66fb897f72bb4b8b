#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace qm {

class ScheduledCapturesModel;

// The Scheduled page: the pending timers and alarms with Cancel, and Refresh.
class ScheduledPage : public QWidget {
public:
    explicit ScheduledPage(ScheduledCapturesModel& model, QWidget* parent = nullptr);
    ~ScheduledPage() override;

private:
    void render();

    ScheduledCapturesModel& model_;
    QVBoxLayout* rows_;
    QLabel* count_;
};

}  // namespace qm
