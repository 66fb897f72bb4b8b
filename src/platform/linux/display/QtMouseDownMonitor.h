#pragma once

#include <functional>
#include <memory>

#include "platform/display/Point.h"

class QWidget;

namespace qm {

// Watches left and right mouse-downs, as the platform's event monitors do.
// A local monitor hears clicks in this program's own windows; a global one
// hears clicks in other applications' windows, which here are the windows
// marked as another application's (the stand-in desktop's host windows):
// nothing outside this process can be seen. Handlers run on the GUI thread
// inside the event's delivery and never change it. The monitor stops when it
// is destroyed.
class QtMouseDownMonitor {
public:
    enum class Scope { local, global };

    struct Event {
        // Where the click was, in screen coordinates (bottom-left origin).
        Point location;
        // The top-level window clicked in (a QWidget), nullptr if unknown.
        const void* window = nullptr;
        bool rightButton = false;
    };
    using Handler = std::function<void(const Event&)>;

    // On the GUI thread, once the application object exists.
    QtMouseDownMonitor(Scope scope, Handler handler);
    ~QtMouseDownMonitor();
    QtMouseDownMonitor(const QtMouseDownMonitor&) = delete;
    QtMouseDownMonitor& operator=(const QtMouseDownMonitor&) = delete;

    // Marks `window` (a top-level widget) as another application's.
    static void markForeignWindow(QWidget& window);
    static bool isForeignWindow(const QWidget& window);

private:
    class Filter;
    std::unique_ptr<Filter> filter_;
};

}  // namespace qm
