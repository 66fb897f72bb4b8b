#pragma once

#include <cstdint>
#include <unordered_map>
#include <utility>

#include <QWidget>

class QLabel;
class QLineEdit;

namespace qm {

class CaptureHistoryModel;
class LazyRowList;
class StatCardsRow;

// The History page: statistics, search, Clear History and the capture rows.
class HistoryPage : public QWidget {
public:
    explicit HistoryPage(CaptureHistoryModel& model, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    // The rows, built as they come into view.
    LazyRowList* rows() const { return rows_; }
    // Presses the copy button of the row at `index`.
    void copyRow(int index);
    // Opens the Clear History alert, window-modal; its answer comes later.
    void pressClear();

private:
    void render();
    QWidget* buildRow(int index, int width);

    CaptureHistoryModel& model_;
    StatCardsRow* stats_;
    QLineEdit* search_;
    QLabel* empty_;
    LazyRowList* rows_;
    // Each capture's row height, and the width it was measured at.
    std::unordered_map<std::int64_t, std::pair<int, int>> heights_;
};

}  // namespace qm
