#pragma once

#include <ostream>

#include "targets/PickerOption.h"

namespace qm {

// Readable picker rows in test failure messages.
inline void PrintTo(const PickerOption& option, std::ostream* os)
{
    *os << "{" << option.id << ", " << option.displayName << "}";
}

}  // namespace qm
