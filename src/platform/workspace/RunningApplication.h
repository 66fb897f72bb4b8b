#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qm {

// One running application as the workspace reports it. Either name may be
// missing: a helper process may have no bundle identifier and no name.
struct RunningApplication {
    std::int32_t processIdentifier = 0;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

}  // namespace qm
