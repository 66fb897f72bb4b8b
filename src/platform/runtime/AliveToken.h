#pragma once

#include <memory>
#include <utility>

namespace qm {

// Lets a delayed block find out whether the object that scheduled it still
// exists: a page or panel that is gone must never be touched. The object keeps
// an AliveToken as a member; blocks capture a Watch (or are wrapped by guard())
// instead of trusting a raw `this`.
//
// The check and the use belong on the owner's thread (the main thread for
// views and panels); only then can the owner not vanish in between.
class AliveToken {
public:
    // What a block captures: tells whether the token's owner still lives.
    class Watch {
    public:
        Watch() = default;
        bool isAlive() const { return !life_.expired(); }
        explicit operator bool() const { return isAlive(); }

    private:
        friend class AliveToken;
        explicit Watch(std::weak_ptr<const void> life) : life_(std::move(life)) {}
        std::weak_ptr<const void> life_;
    };

    AliveToken() : life_(std::make_shared<char>()) {}
    // A copied owner is a different object: it gets its own life.
    AliveToken(const AliveToken&) : AliveToken() {}
    AliveToken& operator=(const AliveToken&) { return *this; }
    ~AliveToken() = default;

    Watch watch() const { return Watch(life_); }

    // Wraps `body` so that it runs only while the owner lives; otherwise the
    // call does nothing.
    template <class F> auto guard(F body) const
    {
        return [watch = watch(), body = std::move(body)](auto&&... args) mutable {
            if (watch.isAlive()) {
                body(std::forward<decltype(args)>(args)...);
            }
        };
    }

private:
    std::shared_ptr<const void> life_;
};

}  // namespace qm
