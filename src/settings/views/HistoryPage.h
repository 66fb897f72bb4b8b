#pragma once

#include <QWidget>

class QLineEdit;
class QVBoxLayout;

namespace qm {

class CaptureHistoryModel;
class StatCardsRow;

// The History page: statistics, search, Clear History and the capture rows.
class HistoryPage : public QWidget {
public:
    explicit HistoryPage(CaptureHistoryModel& model, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    // Presses the copy button of the row at `index`.
    void copyRow(int index);
    // Opens the Clear History alert, window-modal; its answer comes later.
    void pressClear();

private:
    void render();

    CaptureHistoryModel& model_;
    StatCardsRow* stats_;
    QLineEdit* search_;
    QVBoxLayout* rows_;
};

}  // namespace qm
