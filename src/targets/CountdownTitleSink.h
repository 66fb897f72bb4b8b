#pragma once

#include <string>

namespace qm {

// Where the countdown of the next timer or alarm shows: the status item's
// title and tooltip in the app. Called on the main thread.
class CountdownTitleSink {
public:
    virtual ~CountdownTitleSink() = default;

    // `title` is "4:59" or "1:02:03", or empty (only the icon shows) with the
    // tooltip "Quillmarker" when nothing counts down.
    virtual void showCountdown(const std::string& title, const std::string& toolTip) = 0;
};

}  // namespace qm
