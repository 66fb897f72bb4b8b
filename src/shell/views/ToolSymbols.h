#pragma once

#include <span>

#include "platform/linux/display/SymbolLookup.h"

// Our drawings of the symbols of settings and tools: sliders, the keyboard,
// search, links, locks, documents, conversations and the update arrows.
namespace qm::ToolSymbols {

std::span<const SymbolLookup::Entry> entries();

}  // namespace qm::ToolSymbols
