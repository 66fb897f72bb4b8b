#pragma once

// The user-defaults keys the rules database reads, as the settings write them.
namespace qm::StoreDefaultsKeys {

// How many times a command skeleton must repeat before it becomes a template
// (integers), in terminals and everywhere else.
inline constexpr const char* repetitionThresholdTerminal = "repetitionThresholdTerminal";
inline constexpr const char* repetitionThresholdGeneral = "repetitionThresholdGeneral";

}  // namespace qm::StoreDefaultsKeys
