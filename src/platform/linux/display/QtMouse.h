#pragma once

#include <memory>
#include <mutex>

#include "platform/display/Mouse.h"

class QObject;

namespace qm {

// The pointer as Qt sees it, in the platform's screen coordinates. On the GUI
// thread the position is read from Qt at once; other threads get the
// position last seen there (every pointer event of this program's windows
// refreshes it).
class QtMouse final : public Mouse {
public:
    // On the GUI thread, once the application object exists.
    QtMouse();
    ~QtMouse() override;
    QtMouse(const QtMouse&) = delete;
    QtMouse& operator=(const QtMouse&) = delete;

    Point location() const override;

private:
    class Tracker;
    void remember(Point location) const;

    mutable std::mutex mutex_;
    mutable Point last_;
    std::unique_ptr<Tracker> tracker_;
};

}  // namespace qm
