#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace qm {

class ErrorLogsModel;
class StatCardsRow;

// The Error Logs page: the banner with the log's path, search, Refresh, Reveal,
// Clear Log, the status line, statistics and one card per failed capture.
class ErrorLogsPage : public QWidget {
public:
    explicit ErrorLogsPage(ErrorLogsModel& model, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    // The cards' captured texts and errors, as shown.
    QStringList shownTexts() const;
    void copyRow(int index);

private:
    void render();

    ErrorLogsModel& model_;
    QLineEdit* search_;
    QLabel* status_;
    StatCardsRow* stats_;
    QVBoxLayout* rows_;
};

}  // namespace qm
