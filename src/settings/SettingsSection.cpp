#include "settings/SettingsSection.h"

namespace qm::SettingsSections {
namespace {

struct SectionInfo {
    std::string_view rawValue;
    std::string_view iconName;
    std::string_view subtitle;
};

constexpr std::array<SectionInfo, allCases.size()> kInfo = {{
    {"General", "slider.horizontal.3", "Configure general application behavior and run parameters."},
    {"Capture Targets", "doc.text", "Configure destination locations and secure routing parameters."},
    {"Scheduled", "timer", "View pending //timer and //alarm notifications with live countdown."},
    {"History", "clock.arrow.circlepath",
     "Browse, search, and re-copy everything you've captured \u2014 stored only on this Mac."},
    {"Error Logs", "exclamationmark.triangle",
     "Review failed captures with full error details from the local recovery log."},
    {"Shortcuts", "keyboard", "Customize hotkeys used to show and interact with the overlay."},
    {"Privacy & Permissions", "lock.shield", "Review and configure required security permissions."},
    {"Help", "info.circle", "View quill-marker capturing rules and syntax formatting guide."},
}};

const SectionInfo& info(SettingsSection section)
{
    return kInfo.at(static_cast<std::size_t>(section));
}

}  // namespace

std::string_view rawValue(SettingsSection section)
{
    return info(section).rawValue;
}
std::string_view iconName(SettingsSection section)
{
    return info(section).iconName;
}
std::string_view subtitle(SettingsSection section)
{
    return info(section).subtitle;
}

std::optional<SettingsSection> fromRawValue(std::string_view raw)
{
    for (SettingsSection section : allCases) {
        if (rawValue(section) == raw) {
            return section;
        }
    }
    return std::nullopt;
}

}  // namespace qm::SettingsSections
