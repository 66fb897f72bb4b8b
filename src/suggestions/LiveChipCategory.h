#pragma once

#include <string>

namespace qm {

// How a suggestion chip looks, derived from the suggestion's type and, for
// live suggestions, from its texts. A colour swatch carries the hex text it
// was recognised from.
struct LiveChipCategory {
    enum class Kind {
        colorSwatch,
        mistake,
        memory,
        keychain,
        generalTool,
        snippet,
        devOpsTool,
        knowledge,
        mcp,
        ai,
        proactive,
    };

    Kind kind = Kind::memory;
    // Only for colorSwatch.
    std::string hexText;

    friend bool operator==(const LiveChipCategory&, const LiveChipCategory&) = default;
};

}  // namespace qm
