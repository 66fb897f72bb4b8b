#pragma once

#include <QWidget>

namespace qm {

// The content view of this program's own windows (settings, onboarding):
// whatever content it holds, the editing key equivalents work in its text
// fields without any menu item. A key press in the view turns into the
// editing action of KeyEquivalents::forHostingView (Ctrl, this program's
// Command, with C, V, X, A, Z and Shift-Z; Super-V) sent to the focused
// widget and up from there; a key without an action, or one no widget could
// perform, goes on to the normal handling.
class KeyHandlingHostingView final : public QWidget {
public:
    explicit KeyHandlingHostingView(QWidget* parent = nullptr);
    ~KeyHandlingHostingView() override;

    // The hosted content, laid out to fill the view; the view owns it.
    void setContent(QWidget* content);
    QWidget* content() const { return content_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* content_ = nullptr;
};

}  // namespace qm
