#pragma once

#include <vector>

#include <QWidget>

class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace qm {

class OnboardingButton;
class OnboardingViewModel;
class SandboxCapturePopupView;

// Step 3: the practice sandbox. The example chips, the mock editor with the
// simulated capture popup over its bottom while one is open, the activity
// feed (newest first) and "Next: Finalize Setup", enabled after the first
// practice capture. The editor and the chips are disabled while the popup
// is open; when it closes, the editor takes the keyboard back.
class SandboxScreenView final : public QWidget {
public:
    // `model` must outlive the view.
    explicit SandboxScreenView(OnboardingViewModel& model, QWidget* parent = nullptr);

    void render();
    void focusEditor();

    QLineEdit& editor() { return *editor_; }
    SandboxCapturePopupView& popup() { return *popup_; }
    const std::vector<OnboardingButton*>& chips() const { return chips_; }
    OnboardingButton& nextButton() { return *next_; }
    // The feed's lines as shown, top first (the placeholder when empty).
    QStringList feedLines() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeEditorArea();
    QWidget* makeFeed();
    void placePopup();
    void renderFeed();

    OnboardingViewModel& model_;
    std::vector<OnboardingButton*> chips_;
    QWidget* editorArea_ = nullptr;
    QLineEdit* editor_ = nullptr;
    SandboxCapturePopupView* popup_ = nullptr;
    QVBoxLayout* feedRows_ = nullptr;
    std::size_t shownLogCount_ = static_cast<std::size_t>(-1);
    OnboardingButton* next_ = nullptr;
    bool wasCaptureActive_ = false;
};

}  // namespace qm
