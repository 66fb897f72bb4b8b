#include "platform/linux/display/QtWindow.h"

#include <string>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/notifications/NotificationCenter.h"

namespace qm {

class QtWindow::Watcher final : public QObject {
public:
    Watcher(QWidget& window, NotificationCenter& center)
        : window_(&window), identity_(&window), center_(center)
    {
        window.installEventFilter(this);
        QObject::connect(&window, &QObject::destroyed, this, [this] { willClose(); });
    }

    ~Watcher() override
    {
        if (window_) {
            window_->removeEventFilter(this);
        }
    }

    bool isActive() const { return window_ && window_->isActiveWindow(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_) {
            switch (event->type()) {
            case QEvent::WindowActivate:
                closed_ = false;
                post(Window::didBecomeKeyNotification);
                break;
            case QEvent::WindowDeactivate:
                post(Window::didResignKeyNotification);
                break;
            case QEvent::Close: {
                // Only a close the widget accepts counts: let it decide first.
                QWidget* window = window_.data();
                window->removeEventFilter(this);
                QCoreApplication::sendEvent(window, event);
                if (window_) {
                    window_->installEventFilter(this);
                }
                if (event->isAccepted()) {
                    willClose();
                }
                return true;
            }
            default:
                break;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void willClose()
    {
        if (!closed_) {
            closed_ = true;
            post(Window::willCloseNotification);
        }
    }
    void post(std::string_view name) { center_.post(std::string(name), identity_); }

    QPointer<QWidget> window_;
    const void* identity_;
    NotificationCenter& center_;
    bool closed_ = false;
};

QtWindow::QtWindow(QWidget& window, NotificationCenter& center)
    : identity_(&window), watcher_(std::make_unique<Watcher>(window, center))
{
}

QtWindow::~QtWindow() = default;

bool QtWindow::isKeyWindow() const
{
    return watcher_->isActive();
}

}  // namespace qm
