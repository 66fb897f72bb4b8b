#include "settings/PasteboardWrite.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/workspace/Pasteboard.h"

namespace qm {

bool replacePasteboardText(Pasteboard& pasteboard, std::string_view text)
{
    // A first write beside the old content tells whether the clipboard takes
    // text at all; a refusal leaves everything as it was.
    std::vector<std::pair<std::string, std::string>> previous;
    const std::vector<std::string> types = pasteboard.types();
    for (const auto& type : types) {
        if (auto value = pasteboard.string(type)) {
            previous.emplace_back(type, std::move(*value));
        }
    }
    if (!pasteboard.setString(text, Pasteboard::typeString)) {
        return false;
    }
    pasteboard.clearContents();
    if (pasteboard.setString(text, Pasteboard::typeString)) {
        return true;
    }
    pasteboard.declareTypes(types);
    for (const auto& [type, value] : previous) {
        (void)pasteboard.setString(value, type);
    }
    return false;
}

}  // namespace qm
