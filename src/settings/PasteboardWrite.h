#pragma once

#include <string_view>

namespace qm {

class Pasteboard;

// Replaces the clipboard with one plain string. True only when the clipboard
// took it; otherwise the clipboard's earlier text representations are put back,
// so a failed copy never leaves it empty.
bool replacePasteboardText(Pasteboard& pasteboard, std::string_view text);

}  // namespace qm
