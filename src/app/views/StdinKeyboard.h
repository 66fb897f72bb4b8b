#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QTimer>

class QSocketNotifier;
class QWidget;

namespace qm {

// A keyboard for a machine without a display: the bytes of a file descriptor
// (standard input) are typed, one character at a time at a person's pace, into
// whatever window has Qt's keyboard focus, as key presses and releases; a line
// feed is the Return key, a tab the Tab key. So "//note buy milk\n" typed into the stand-in
// desktop's host window goes the way a person's keys would: through the event
// tap into capture mode, then into the capture overlay, and Return sends it.
//
// Where the window system hands the keyboard to no one when the window that
// had it closes (Qt's offscreen platform does), the keyboard goes back to the
// most recent window that had it and is still shown, as a window manager would
// give it: a key typed after a prompt or onboarding closed is not lost.
class StdinKeyboard final : public QObject {
public:
    // `ended` runs once, after the last character was typed following the end
    // of input (or a read error). While `shouldWait` holds (a window is
    // still opening or closing), no key is typed: a person waits for the
    // window too.
    StdinKeyboard(int fd, int keyIntervalMs, std::function<bool()> shouldWait, std::function<void()> ended);
    ~StdinKeyboard() override;

private:
    void readAvailable();
    void typeNext();
    void remember(QWidget* window);
    // The widget that takes the next key, after handing the keyboard back if
    // nothing has it; null when no window is shown.
    QWidget* keyTarget();

    int fd_;
    QSocketNotifier* notifier_;
    QTimer pace_;
    std::string pendingBytes_;  // an incomplete UTF-8 sequence from the last read
    std::deque<std::string> characters_;
    bool inputEnded_ = false;
    std::function<bool()> shouldWait_;
    std::function<void()> ended_;
    // Windows that had the keyboard, the latest last.
    std::vector<QPointer<QWidget>> keyWindows_;
};

}  // namespace qm
