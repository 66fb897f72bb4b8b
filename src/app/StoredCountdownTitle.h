#pragma once

#include <mutex>
#include <string>

#include "targets/CountdownTitleSink.h"

namespace qm {

// Keeps the countdown's latest title and tooltip for whatever shows them (the
// status item reads them; until it does, they are only kept).
class StoredCountdownTitle final : public CountdownTitleSink {
public:
    void showCountdown(const std::string& title, const std::string& toolTip) override
    {
        std::lock_guard lock(mutex_);
        title_ = title;
        toolTip_ = toolTip;
    }

    std::string title() const
    {
        std::lock_guard lock(mutex_);
        return title_;
    }
    std::string toolTip() const
    {
        std::lock_guard lock(mutex_);
        return toolTip_;
    }

private:
    mutable std::mutex mutex_;
    std::string title_;
    std::string toolTip_ = "Quillmarker";
};

}  // namespace qm
