#pragma once

namespace qm {

// A point in screen coordinates. Which corner is the origin depends on who
// reports it: Accessibility uses the top-left of the primary screen, the
// screens and the mouse the bottom-left (see ScreenCoordinates).
struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

}  // namespace qm
