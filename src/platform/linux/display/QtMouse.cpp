#include "platform/linux/display/QtMouse.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QThread>

#include "platform/linux/display/QtScreenGeometry.h"

namespace qm {

class QtMouse::Tracker final : public QObject {
public:
    explicit Tracker(const QtMouse& mouse) : mouse_(mouse) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            mouse_.remember(QtScreenGeometry::toScreen(static_cast<QMouseEvent*>(event)->globalPosition()));
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QtMouse& mouse_;
};

QtMouse::QtMouse() : tracker_(std::make_unique<Tracker>(*this))
{
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installEventFilter(tracker_.get());
        remember(QtScreenGeometry::toScreen(QPointF(QCursor::pos())));
    }
}

QtMouse::~QtMouse()
{
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(tracker_.get());
    }
}

void QtMouse::remember(Point location) const
{
    std::lock_guard lock(mutex_);
    last_ = location;
}

Point QtMouse::location() const
{
    const QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread()) {
        remember(QtScreenGeometry::toScreen(QPointF(QCursor::pos())));
    }
    std::lock_guard lock(mutex_);
    return last_;
}

}  // namespace qm
