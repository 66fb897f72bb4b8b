#pragma once

#include <span>

#include "platform/linux/display/SymbolLookup.h"

// Our drawings of the symbols that mark a state: ticks, notices, warnings,
// streaks and awards.
namespace qm::StatusSymbols {

std::span<const SymbolLookup::Entry> entries();

}  // namespace qm::StatusSymbols
