#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/accessibility/AXUIElement.h"
#include "platform/display/Rect.h"
#include "platform/sim/accessibility/SimElementSpec.h"
#include "platform/sim/accessibility/SimTextFieldSpec.h"

namespace qm {

class SimDesktopState;
class SimTextField;

// A test's handle on one element of the stand-in desktop (a window, a group,
// a web area ...). Copyable; every call is thread-safe. Changes made through
// a handle notify Accessibility observers as the application's own would.
class SimElement {
public:
    SimElement() = default;
    SimElement(std::shared_ptr<SimDesktopState> state, std::int32_t pid, std::uint64_t id);

    std::uint64_t id() const { return id_; }
    std::int32_t pid() const { return pid_; }
    bool isAlive() const;
    // The element as Accessibility hands it out.
    AXUIElement axElement() const;

    // Throw std::logic_error when this element is gone.
    SimElement addChild(const SimElementSpec& spec) const;
    SimTextField addTextField(const SimTextFieldSpec& spec) const;

    // Gives this element the keyboard focus within its application.
    void focus() const;
    // Closes a window or takes the element out of the tree, children included.
    void remove() const;

    void setTitle(std::string title) const;
    void setURL(std::string url) const;
    void setFrame(Rect frame) const;
    Rect frame() const;

    friend bool operator==(const SimElement& a, const SimElement& b) { return a.id_ == b.id_; }

protected:
    std::shared_ptr<SimDesktopState> state_;
    std::int32_t pid_ = 0;
    std::uint64_t id_ = 0;
};

}  // namespace qm
