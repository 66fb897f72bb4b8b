#pragma once

#include <span>

#include "platform/linux/display/SymbolLookup.h"

// Our drawings of the symbols of time: timers, alarms, clocks, the calendar,
// day and night.
namespace qm::ClockSymbols {

std::span<const SymbolLookup::Entry> entries();

}  // namespace qm::ClockSymbols
