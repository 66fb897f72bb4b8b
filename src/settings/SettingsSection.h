#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace qm {

// The pages of the settings window, in sidebar order. The raw values are the
// page titles and a shared vocabulary: other components send them as the
// "section" of "SelectSettingsSection".
enum class SettingsSection {
    general,
    captureTargets,
    scheduled,
    history,
    errorLogs,
    shortcuts,
    privacyPermissions,
    help
};

namespace SettingsSections {

inline constexpr std::array<SettingsSection, 8> allCases = {SettingsSection::general,
                                                            SettingsSection::captureTargets,
                                                            SettingsSection::scheduled,
                                                            SettingsSection::history,
                                                            SettingsSection::errorLogs,
                                                            SettingsSection::shortcuts,
                                                            SettingsSection::privacyPermissions,
                                                            SettingsSection::help};

std::string_view rawValue(SettingsSection section);
std::string_view iconName(SettingsSection section);
std::string_view subtitle(SettingsSection section);

// The page whose raw value is exactly `raw` (case-sensitive, untrimmed).
std::optional<SettingsSection> fromRawValue(std::string_view raw);

}  // namespace SettingsSections
}  // namespace qm
