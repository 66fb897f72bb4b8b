#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/AliveToken.h"

namespace qm {

class ColorPanel;
class DatabaseManager;
class FieldMemoryEngine;

// Opens the system colour panel at a field's colour and reports each colour the
// user picks as a hex colour text (HexColor); offers the colour codes the user
// typed into colour fields before as swatches.
class ColorPickerHelper {
public:
    static constexpr std::size_t maxSwatches = 10;
    static constexpr std::array<std::string_view, maxSwatches> defaultSwatches = {
        "#10B981", "#3B82F6", "#EF4444", "#F59E0B", "#8B5CF6",
        "#EC4899", "#6B7280", "#1E1B4B", "#0F172A", "#111827",
    };

    // All three must outlive the helper.
    ColorPickerHelper(ColorPanel& panel, DatabaseManager& database, FieldMemoryEngine& fieldMemory);
    ColorPickerHelper(const ColorPickerHelper&) = delete;
    ColorPickerHelper& operator=(const ColorPickerHelper&) = delete;

    // Main thread. Shows the panel, at `initialHex` when that parses (else at
    // its current colour), continuous, reporting to `onColorSelected`; a later
    // call replaces the callback.
    void showColorPanel(const std::optional<std::string>& initialHex,
                        std::function<void(const std::string&)> onColorSelected);

    // Up to ten remembered colours of colour fields ("#RRGGBB" or "#RGB" as
    // typed, exact duplicates dropped), most used first; the defaults when
    // there are none. Waits for the database; any thread.
    std::vector<std::string> getTopColorSwatches(const std::optional<std::string>& appBundleId,
                                                 const std::optional<std::string>& domain);

private:
    void colorPanelChanged(ColorPanel& sender);

    ColorPanel& panel_;
    DatabaseManager& database_;
    FieldMemoryEngine& fieldMemory_;
    std::function<void(const std::string&)> colorChangeCallback_;
    // The panel outlives this helper and may still fire: the action checks this first.
    AliveToken alive_;
};

}  // namespace qm
