#include "app/views/StdinKeyboard.h"

#include <cerrno>

#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>
#include <fmt/format.h>

#include "base/Log.h"

namespace qm {

namespace {

// The length of the UTF-8 sequence a lead byte starts (1 for a stray byte).
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead <= 0xEF ? 3 : 1;
    }
    if (lead >= 0xC2) {
        return 2;
    }
    return 1;
}

void press(QWidget* target, int key, const QString& text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &up);
}

}  // namespace

StdinKeyboard::StdinKeyboard(int fd, int keyIntervalMs, std::function<bool()> shouldWait,
                             std::function<void()> ended)
    : fd_(fd), notifier_(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      shouldWait_(std::move(shouldWait)), ended_(std::move(ended))
{
    pace_.setInterval(keyIntervalMs);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readAvailable(); });
    connect(&pace_, &QTimer::timeout, this, [this] { typeNext(); });
    // Windows already shown count as having had the keyboard, the one with it last.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && !window->isActiveWindow()) {
            remember(window);
        }
    }
    remember(QApplication::activeWindow());
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (focused && window->windowHandle() == focused) {
                remember(window);
                return;
            }
        }
    });
}

StdinKeyboard::~StdinKeyboard() = default;

void StdinKeyboard::readAvailable()
{
    char buffer[4096];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (count <= 0) {
        if (count < 0) {
            Log::print(fmt::format("❌ Keyboard input could not be read: {}", std::strerror(errno)));
        }
        notifier_->setEnabled(false);
        inputEnded_ = true;
        if (!pace_.isActive()) {
            typeNext();
        }
        return;
    }
    pendingBytes_.append(buffer, static_cast<std::size_t>(count));
    std::size_t at = 0;
    while (at < pendingBytes_.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(pendingBytes_[at]));
        if (at + length > pendingBytes_.size()) {
            break;
        }
        characters_.push_back(pendingBytes_.substr(at, length));
        at += length;
    }
    pendingBytes_.erase(0, at);
    if (!pace_.isActive()) {
        pace_.start();
    }
}

void StdinKeyboard::remember(QWidget* window)
{
    // Menus and tooltips close as soon as they lose the keyboard: never given it back.
    if (!window || window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip) {
        return;
    }
    std::erase_if(keyWindows_,
                  [window](const QPointer<QWidget>& known) { return !known || known == window; });
    keyWindows_.emplace_back(window);
}

QWidget* StdinKeyboard::keyTarget()
{
    if (QWidget* focused = QApplication::focusWidget()) {
        return focused;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    for (auto known = keyWindows_.rbegin(); known != keyWindows_.rend(); ++known) {
        QWidget* window = known->data();
        if (!window || !window->isVisible()) {
            continue;
        }
        window->raise();
        window->activateWindow();
        // The offscreen platform ignores activation requests: Qt is told directly.
        if (!window->isActiveWindow()) {
            QApplication::setActiveWindow(window);
        }
        QWidget* focused = QApplication::focusWidget();
        return focused ? focused : window;
    }
    return nullptr;
}

void StdinKeyboard::typeNext()
{
    if (!characters_.empty() && shouldWait_ && shouldWait_()) {
        return;
    }
    if (characters_.empty()) {
        pace_.stop();
        if (inputEnded_ && ended_) {
            auto ended = std::move(ended_);
            ended_ = nullptr;
            ended();
        }
        return;
    }
    const std::string character = std::move(characters_.front());
    characters_.pop_front();
    QWidget* target = keyTarget();
    if (!target) {
        Log::print(fmt::format("❌ No window has the keyboard; \"{}\" was not typed", character));
        return;
    }
    if (character == "\n") {
        press(target, Qt::Key_Return, QStringLiteral("\r"));
    } else if (character == "\t") {
        press(target, Qt::Key_Tab, QStringLiteral("\t"));
    } else if (character == "\r") {
        return;
    } else {
        const QString text = QString::fromUtf8(character.data(), static_cast<qsizetype>(character.size()));
        const QChar first = text.isEmpty() ? QChar() : text.front();
        int key = Qt::Key_unknown;
        if (first.isLetter() && first.unicode() < 0x80) {
            key = first.toUpper().unicode();
        } else if (first == u' ') {
            key = Qt::Key_Space;
        }
        press(target, key, text);
    }
}

}  // namespace qm
