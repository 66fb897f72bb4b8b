#include "platform/linux/runtime/QtMainLoop.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <QTimer>

namespace qm {

// Lives on the main thread: one posted event type and one precise timer, both
// leading to QtMainLoop::runTurn.
class QtMainLoop::Waker final : public QObject {
public:
    static QEvent::Type turnEventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    explicit Waker(QtMainLoop& loop) : loop_(loop)
    {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { loop_.runTurn(); });
    }

    void armIn(std::chrono::milliseconds delay)
    {
        const int milliseconds = static_cast<int>(std::min<std::chrono::milliseconds::rep>(
            std::max<std::chrono::milliseconds::rep>(delay.count(), 0), 24 * 3600 * 1000));
        timer_.start(milliseconds);
    }
    void disarm() { timer_.stop(); }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == turnEventType()) {
            loop_.runTurn();
            return true;
        }
        return QObject::event(event);
    }

private:
    QtMainLoop& loop_;
    QTimer timer_;
};

QtMainLoop::QtMainLoop() : mainThread_(std::this_thread::get_id())
{
    if (QCoreApplication::instance() == nullptr ||
        QThread::currentThread() != QCoreApplication::instance()->thread()) {
        throw std::logic_error("QtMainLoop: build it on the Qt application's thread, after the application");
    }
    waker_ = std::make_unique<Waker>(*this);
}

QtMainLoop::~QtMainLoop()
{
    // The waker goes first, with the events posted to it; the queued tasks'
    // captures are released with the queues, outside the lock.
    waker_.reset();
    std::deque<Entry> ready;
    std::map<DueKey, Entry> delayed;
    {
        std::lock_guard lock(mutex_);
        ready.swap(ready_);
        delayed.swap(delayed_);
    }
}

void QtMainLoop::post(Task task)
{
    std::lock_guard lock(mutex_);
    ready_.push_back(Entry{std::move(task), nullptr});
    requestTurnLocked();
}

ScheduledTask QtMainLoop::postAfter(double seconds, Task task)
{
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    const double delay = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 1e9) : (seconds > 0 ? 1e9 : 0.0);
    const auto due = SteadyClock::now() +
                     std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(delay));
    std::lock_guard lock(mutex_);
    delayed_.emplace(DueKey{due, nextSequence_++}, Entry{std::move(task), cancelled});
    // The timer is the main thread's: the turn re-arms it for the new earliest task.
    requestTurnLocked();
    return ScheduledTask(cancelled);
}

bool QtMainLoop::isMainThread() const
{
    return std::this_thread::get_id() == mainThread_;
}

std::size_t QtMainLoop::pendingCount() const
{
    std::lock_guard lock(mutex_);
    return ready_.size() +
           static_cast<std::size_t>(std::count_if(delayed_.begin(), delayed_.end(), [](const auto& item) {
               return !item.second.cancelled->load();
           }));
}

void QtMainLoop::requestTurnLocked()
{
    if (turnRequested_) {
        return;
    }
    turnRequested_ = true;
    QCoreApplication::postEvent(waker_.get(), new QEvent(Waker::turnEventType()));
}

std::optional<QtMainLoop::Entry> QtMainLoop::takeNext(SteadyClock::time_point now,
                                                      std::vector<Entry>& garbage)
{
    std::lock_guard lock(mutex_);
    if (!ready_.empty()) {
        Entry entry = std::move(ready_.front());
        ready_.pop_front();
        return entry;
    }
    while (!delayed_.empty() && delayed_.begin()->second.cancelled->load()) {
        garbage.push_back(std::move(delayed_.begin()->second));
        delayed_.erase(delayed_.begin());
    }
    if (delayed_.empty() || delayed_.begin()->first.first > now) {
        return std::nullopt;
    }
    Entry entry = std::move(delayed_.begin()->second);
    delayed_.erase(delayed_.begin());
    return entry;
}

void QtMainLoop::runTurn()
{
    {
        std::lock_guard lock(mutex_);
        turnRequested_ = false;
    }
    const auto now = SteadyClock::now();
    for (std::size_t ran = 0; ran < tasksPerTurn; ++ran) {
        std::vector<Entry> garbage;
        auto entry = takeNext(now, garbage);
        garbage.clear();
        if (!entry) {
            armTimer();
            return;
        }
        // Cancelled between being taken and being run: it must still never run.
        if (entry->cancelled && entry->cancelled->load()) {
            continue;
        }
        if (entry->task) {
            entry->task();
        }
    }
    // Work is left: let Qt handle input and painting first, then carry on.
    {
        std::lock_guard lock(mutex_);
        requestTurnLocked();
    }
    armTimer();
}

void QtMainLoop::armTimer()
{
    std::optional<SteadyClock::time_point> earliest;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [key, entry] : delayed_) {
            if (!entry.cancelled->load()) {
                earliest = key.first;
                break;
            }
        }
    }
    if (!earliest) {
        waker_->disarm();
        return;
    }
    // Rounded up: a timer that fires a little early would only find nothing due.
    const auto wait = *earliest - SteadyClock::now();
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(wait);
    waker_->armIn(milliseconds);
}

}  // namespace qm
