#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// A link that opens a pane of System Settings when handed to the workspace:
// "x-apple.systempreferences:" + pane identifier, and "?" + anchor where the
// pane has a section to scroll to.
struct SystemSettingsLink {
    static constexpr std::string_view scheme = "x-apple.systempreferences";

    std::string paneIdentifier;
    std::optional<std::string> anchor;

    std::string url() const;

    // The pane and anchor of a System Settings link; nothing for any other
    // link, or one without a pane identifier.
    static std::optional<SystemSettingsLink> parse(std::string_view url);

    bool operator==(const SystemSettingsLink&) const = default;
};

}  // namespace qm
