#pragma once

namespace qm {

// The source of "now" for all logic. Tests inject a manual clock; nothing in
// the logic reads the system clock directly.
class Clock {
public:
    virtual ~Clock() = default;

    // Wall time as seconds since 1970 (fractional).
    virtual double now() const = 0;

    // The real clock of the machine.
    static Clock& system();
};

}  // namespace qm
