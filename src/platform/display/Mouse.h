#pragma once

#include "platform/display/Point.h"

namespace qm {

class Mouse {
public:
    virtual ~Mouse() = default;

    // The pointer's position in screen coordinates (bottom-left origin). Any thread.
    virtual Point location() const = 0;
};

}  // namespace qm
