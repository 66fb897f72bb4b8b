#include "platform/sim/accessibility/SimTextLayout.h"

#include <algorithm>

#include "base/CharacterBreaks.h"

namespace qm {
namespace {

std::size_t lineStartBefore(std::u16string_view text, std::size_t offset)
{
    const auto newline = text.substr(0, offset).rfind(u'\n');
    return newline == std::u16string_view::npos ? 0 : newline + 1;
}

std::size_t lineEndFrom(std::u16string_view text, std::size_t start)
{
    const auto newline = text.find(u'\n', start);
    return newline == std::u16string_view::npos ? text.size() : newline;
}

}  // namespace

SimTextLayout::Position SimTextLayout::positionOf(std::u16string_view text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    const auto head = text.substr(0, offset);
    const auto line = static_cast<std::size_t>(std::count(head.begin(), head.end(), u'\n'));
    const std::size_t start = lineStartBefore(text, offset);
    return {line, text::CharacterBreaks(text).count(start, offset)};
}

std::size_t SimTextLayout::offsetAt(std::u16string_view text, std::size_t line, std::size_t column)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < line; ++i) {
        const auto newline = text.find(u'\n', start);
        if (newline == std::u16string_view::npos) {
            return text.size();
        }
        start = newline + 1;
    }
    const std::size_t end = lineEndFrom(text, start);
    text::CharacterBreaks breaks(text);
    std::size_t offset = start;
    for (std::size_t i = 0; i < column && offset < end; ++i) {
        offset = std::min(breaks.following(offset), end);
    }
    return offset;
}

Rect SimTextLayout::boundsForRange(std::u16string_view text, const Rect& frame, std::size_t start,
                                   std::size_t end)
{
    const Position first = positionOf(text, start);
    const Position last = positionOf(text, std::max(start, end));
    const double left = frame.x() + insetX;
    const double top = frame.y() + insetY + static_cast<double>(first.line) * lineHeight;
    const double height = static_cast<double>(last.line - first.line + 1) * lineHeight;
    if (first.line == last.line) {
        return {left + static_cast<double>(first.column) * advance, top,
                static_cast<double>(last.column - first.column) * advance, height};
    }
    // Several lines: from the left edge to the end of the longest line touched.
    std::size_t widest = last.column;
    std::size_t lineStart = lineStartBefore(text, std::min(start, text.size()));
    text::CharacterBreaks breaks(text);
    for (std::size_t line = first.line; line < last.line; ++line) {
        const std::size_t lineEnd = lineEndFrom(text, lineStart);
        widest = std::max(widest, breaks.count(lineStart, lineEnd));
        lineStart = lineEnd + 1;
    }
    return {left, top, static_cast<double>(widest) * advance, height};
}

}  // namespace qm
