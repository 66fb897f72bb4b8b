#pragma once

#include <algorithm>

#include "platform/display/Point.h"
#include "platform/display/Size.h"

namespace qm {

// A rectangle in screen coordinates: `origin` is the corner nearest the origin
// of the coordinate system in use, so in Accessibility coordinates it is the
// top-left corner and in screen coordinates the bottom-left one.
struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}
    constexpr Rect(Point o, Size s) : origin(o), size(s) {}

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }

    bool isEmpty() const { return size.width <= 0 || size.height <= 0; }

    // As the platform's test: true when the intersection is not the null
    // rectangle, so a zero-width caret rectangle on a screen intersects it, and
    // so do rectangles that only share an edge.
    bool intersects(const Rect& other) const
    {
        return std::max(x(), other.x()) <= std::min(maxX(), other.maxX()) &&
               std::max(y(), other.y()) <= std::min(maxY(), other.maxY());
    }

    // Half-open: the far edges belong to the neighbouring rectangle.
    bool contains(Point p) const { return p.x >= x() && p.x < maxX() && p.y >= y() && p.y < maxY(); }

    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace qm
