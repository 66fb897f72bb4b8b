#pragma once

#include <functional>
#include <optional>

#include "platform/runtime/AliveToken.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

// The checkmark a row's copy button shows for 1.5 s after a copy. Each copy
// schedules its own reset, which clears the mark only if it still names the
// row that copy marked. Main thread only.
template <class Id> class CopyMark {
public:
    static constexpr double kDuration = 1.5;

    CopyMark(MainLoop& mainLoop, std::function<void()> changed)
        : mainLoop_(mainLoop), changed_(std::move(changed))
    {
    }

    const std::optional<Id>& current() const { return current_; }

    void mark(const Id& id)
    {
        current_ = id;
        changed_();
        mainLoop_.postAfter(kDuration, alive_.guard([this, id] {
            if (current_ == id) {
                current_.reset();
                changed_();
            }
        }));
    }

private:
    MainLoop& mainLoop_;
    std::function<void()> changed_;
    std::optional<Id> current_;
    AliveToken alive_;
};

}  // namespace qm
