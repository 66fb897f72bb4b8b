#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QWidget>

#include "records/FallbackCaptureLoggerEntry.h"

class QLabel;
class QLineEdit;

namespace qm {

class ErrorLogsModel;
class LazyRowList;
class StatCardsRow;

// The Error Logs page: the banner with the log's path, search, Refresh, Reveal,
// Clear Log, the status line, statistics and one card per failed capture.
class ErrorLogsPage : public QWidget {
public:
    explicit ErrorLogsPage(ErrorLogsModel& model, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    // The captured texts of the cards built now, as shown.
    QStringList shownTexts() const;
    // The cards, built as they come into view.
    LazyRowList* rows() const { return rows_; }
    void copyRow(int index);

private:
    void render();
    QWidget* buildRow(int index, int width);

    ErrorLogsModel& model_;
    QLineEdit* search_;
    QLabel* status_;
    StatCardsRow* stats_;
    QLabel* empty_;
    LazyRowList* rows_;
    // What the list shows: the search's matches when it was last drawn.
    std::vector<FallbackCaptureLoggerEntry> shown_;
    // Each entry's card height, and the width it was measured at.
    std::unordered_map<std::string, std::pair<int, int>> heights_;
};

}  // namespace qm
