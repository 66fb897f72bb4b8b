#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/workspace/Color.h"

namespace qm {

// Hex colour texts, the way colours travel through the suggestion layer.
// Written as "#" and six upper-case digits ("#10B981"); read with or without
// "#", in either case, with white space around it, and in the three-digit
// short form ("#fa0" is "#FFAA00"). Pure functions; any thread.
class HexColor {
public:
    HexColor() = delete;

    // Nothing unless exactly six (or three) characters follow the "#". Only
    // the leading run of hexadecimal digits counts: "GG0000" reads as black.
    static std::optional<Color> parse(std::string_view text);

    // Each component times 255, rounded half away from zero and held to
    // 0...255; nothing when a component is not a finite number.
    static std::optional<std::string> format(const Color& color);
};

}  // namespace qm
