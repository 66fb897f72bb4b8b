#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/PlatformError.h"

namespace qm {

// Where a streamed answer goes: its pieces in arrival order, then exactly one
// end, with the failure when it did not finish normally. Either may be empty.
struct AIStreamHandler {
    std::function<void(const std::string& chunk)> onChunk;
    std::function<void(const std::optional<PlatformError>& failure)> onEnd;
};

}  // namespace qm
