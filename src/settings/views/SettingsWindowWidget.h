#pragma once

#include <functional>

#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;

namespace qm {

class SettingsWindowModel;

// The settings window: the sidebar of pages, the header and the current page
// in a scroll area. A plain window, not a dialog: Esc and Return do nothing of
// their own. Closing it hides it (the window is kept) and tells the model.
class SettingsWindowWidget : public QWidget {
public:
    explicit SettingsWindowWidget(SettingsWindowModel& model, QWidget* parent = nullptr);
    ~SettingsWindowWidget() override;

    // Called after the window closed.
    std::function<void()> onClosed;

    // Builds the current page afresh (when the window comes on screen again).
    void rebuildPage();
    QWidget* page() const { return page_; }
    QPushButton* sidebarButton(int index) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSection();
    void applyHighlight();
    // Wrapped texts need their height for the pane's width; the pane scrolls
    // rather than squeezing them.
    void fitDetail();

    SettingsWindowModel& model_;
    std::vector<QPushButton*> sidebar_;
    QLabel* title_;
    QLabel* subtitle_;
    QScrollArea* scroll_;
    QWidget* page_ = nullptr;
};

}  // namespace qm
