#include "shell/HUDView.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/Text.h"

namespace qm {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kSymbolTable{{
    {"copied", "doc.on.doc.fill"},
    {"clipboard", "doc.on.doc.fill"},
    {"obsidian", "pencil.and.outline"},
    {"logseq", "doc.text.fill"},
    {"reminder", "bell.fill"},
    {"slack", "bubble.left.and.bubble.right.fill"},
    {"off", "speaker.slash.fill"},
}};
constexpr std::string_view kDefaultSymbol = "speaker.wave.2.fill";

}  // namespace

std::string HUDView::resolvedImageName() const
{
    if (customSystemImage) {
        return *customSystemImage;
    }
    const std::string lowered = text::lowercased(message);
    for (const auto& [fragment, symbol] : kSymbolTable) {
        if (lowered.find(fragment) != std::string::npos) {
            return std::string(symbol);
        }
    }
    return std::string(kDefaultSymbol);
}

Size HUDView::panelSize(std::string_view message)
{
    const std::size_t characters = text::graphemeCount(message);
    const double width = std::clamp(widthPerCharacter * static_cast<double>(characters) + widthExtra,
                                    minimumWidth, maximumWidth);
    const double height = characters >= twoLineCharacters ? twoLineHeight : singleLineHeight;
    return {width, height};
}

Point HUDView::panelOrigin(const Rect& visibleFrame, const Size& size)
{
    return {visibleFrame.x() + visibleFrame.width() / 2 - size.width / 2, visibleFrame.y() + bottomOffset};
}

}  // namespace qm
