#include "suggestions/ColorPickerHelper.h"

#include <algorithm>
#include <utility>

#include "base/Text.h"
#include "platform/workspace/ColorPanel.h"
#include "store/DatabaseManager.h"
#include "suggestions/FieldContext.h"
#include "suggestions/FieldMemoryEngine.h"
#include "suggestions/HexColor.h"

namespace qm {

ColorPickerHelper::ColorPickerHelper(ColorPanel& panel, DatabaseManager& database,
                                     FieldMemoryEngine& fieldMemory)
    : panel_(panel), database_(database), fieldMemory_(fieldMemory)
{
}

void ColorPickerHelper::showColorPanel(const std::optional<std::string>& initialHex,
                                       std::function<void(const std::string&)> onColorSelected)
{
    colorChangeCallback_ = std::move(onColorSelected);
    if (initialHex) {
        if (const auto color = HexColor::parse(*initialHex)) {
            panel_.setColor(*color);
        }
    }
    panel_.setAction([this, watch = alive_.watch()](ColorPanel& sender) {
        if (watch.isAlive()) {
            colorPanelChanged(sender);
        }
    });
    panel_.makeKeyAndOrderFront();
    panel_.setContinuous(true);
}

void ColorPickerHelper::colorPanelChanged(ColorPanel& sender)
{
    const auto color = sender.deviceRGBColor();
    if (!color) {
        return;
    }
    const auto hex = HexColor::format(*color);
    if (hex && colorChangeCallback_) {
        colorChangeCallback_(*hex);
    }
}

std::vector<std::string> ColorPickerHelper::getTopColorSwatches(const std::optional<std::string>& appBundleId,
                                                                const std::optional<std::string>& domain)
{
    std::vector<std::string> swatches;
    const auto rows = database_.fetchFieldMemory(std::string(rawValue(FieldContext::color)),
                                                 appBundleId.value_or(""), domain);
    for (const auto& row : rows) {
        const auto encrypted = row.find("value_encrypted");
        if (encrypted == row.end() || encrypted->second.empty()) {
            continue;
        }
        const auto value = fieldMemory_.decrypt(encrypted->second);
        if (!value) {
            continue;
        }
        std::string swatch = text::trimmed(*value);
        const std::size_t length = text::graphemeCount(swatch);
        if (text::truncateGraphemes(swatch, 1) == "#" && (length == 7 || length == 4) &&
            std::find(swatches.begin(), swatches.end(), swatch) == swatches.end()) {
            swatches.push_back(std::move(swatch));
        }
    }
    if (swatches.empty()) {
        swatches.assign(defaultSwatches.begin(), defaultSwatches.end());
    }
    if (swatches.size() > maxSwatches) {
        swatches.resize(maxSwatches);
    }
    return swatches;
}

}  // namespace qm
