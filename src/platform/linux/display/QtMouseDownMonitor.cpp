#include "platform/linux/display/QtMouseDownMonitor.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QVariant>
#include <QWidget>

#include "platform/linux/display/QtScreenGeometry.h"

namespace qm {

namespace {
constexpr const char* kForeignProperty = "quillmarker.foreignApplication";
}

class QtMouseDownMonitor::Filter final : public QObject {
public:
    Filter(Scope scope, Handler handler) : scope_(scope), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType()) {
            return QObject::eventFilter(watched, event);
        }
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton && press->button() != Qt::RightButton) {
            return QObject::eventFilter(watched, event);
        }
        // The application filter sees the press once per widget it is offered
        // to (a child, then its parents); only the first delivery counts.
        if (seenAny_ && press->timestamp() == lastTimestamp_ && press->globalPosition() == lastPosition_) {
            return QObject::eventFilter(watched, event);
        }
        seenAny_ = true;
        lastTimestamp_ = press->timestamp();
        lastPosition_ = press->globalPosition();
        const QWidget* window = static_cast<QWidget*>(watched)->window();
        const bool foreign = window && isForeignWindow(*window);
        if (foreign == (scope_ == Scope::global)) {
            handler_(Event{QtScreenGeometry::toScreen(press->globalPosition()), window,
                           press->button() == Qt::RightButton});
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Scope scope_;
    Handler handler_;
    bool seenAny_ = false;
    quint64 lastTimestamp_ = 0;
    QPointF lastPosition_;
};

QtMouseDownMonitor::QtMouseDownMonitor(Scope scope, Handler handler)
    : filter_(std::make_unique<Filter>(scope, std::move(handler)))
{
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installEventFilter(filter_.get());
    }
}

QtMouseDownMonitor::~QtMouseDownMonitor()
{
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(filter_.get());
    }
}

void QtMouseDownMonitor::markForeignWindow(QWidget& window)
{
    window.setProperty(kForeignProperty, true);
}

bool QtMouseDownMonitor::isForeignWindow(const QWidget& window)
{
    return window.property(kForeignProperty).toBool();
}

}  // namespace qm
