#pragma once

#include <deque>
#include <functional>
#include <string>

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace qm {

// A keyboard for a machine without a display: the bytes of a file descriptor
// (standard input) are typed, one character at a time at a person's pace, into
// whatever window has Qt's keyboard focus, as key presses and releases; a line
// feed is the Return key, a tab the Tab key. So "//note buy milk\n" typed into the stand-in
// desktop's host window goes the way a person's keys would: through the event
// tap into capture mode, then into the capture overlay, and Return sends it.
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

    int fd_;
    QSocketNotifier* notifier_;
    QTimer pace_;
    std::string pendingBytes_;  // an incomplete UTF-8 sequence from the last read
    std::deque<std::string> characters_;
    bool inputEnded_ = false;
    std::function<bool()> shouldWait_;
    std::function<void()> ended_;
};

}  // namespace qm
