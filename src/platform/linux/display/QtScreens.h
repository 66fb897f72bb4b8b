#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/display/Screens.h"

class QObject;

namespace qm {

// The displays as Qt sees them, in the platform's screen coordinates
// (QtScreenGeometry): the primary screen first, its frame at (0, 0); the
// visible frame is Qt's available geometry (without panels and docks). The
// main screen is the one showing the focused window, else the primary one.
//
// Read on the GUI thread, the answer is taken from Qt at once; other threads
// get the answer last taken there (refreshed whenever a screen is added,
// removed or changes its geometry).
class QtScreens final : public Screens {
public:
    // On the GUI thread, once the application object exists.
    QtScreens();
    ~QtScreens() override;
    QtScreens(const QtScreens&) = delete;
    QtScreens& operator=(const QtScreens&) = delete;

    std::vector<Screen> screens() const override;
    std::optional<Screen> mainScreen() const override;

private:
    struct Snapshot {
        std::vector<Screen> screens;
        std::optional<Screen> main;
    };
    static Snapshot take();
    static bool onGuiThread();
    void refresh() const;
    void watch(QObject* screen);

    mutable std::mutex mutex_;
    mutable Snapshot last_;
    std::unique_ptr<QObject> context_;
};

}  // namespace qm
