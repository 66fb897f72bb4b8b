#pragma once

namespace qm {

// A colour in device RGB: red, green, blue and alpha, each nominally 0...1.
// Wide-gamut sources may hand out components a little outside that range.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace qm
