#pragma once

// The user-defaults keys of the capture targets' settings, as the settings write them.
namespace qm::TargetsDefaultsKeys {

// The folders of the note apps (strings; "~" stands for the home folder).
inline constexpr const char* obsidianVaultPath = "obsidianVaultPath";
inline constexpr const char* logseqGraphPath = "logseqGraphPath";

}  // namespace qm::TargetsDefaultsKeys
