#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// An intention tied to a cue: "when I open the budget, check the totals" or
// "when standup then ask about the release". Such a line is parked as an open
// loop whatever target received it; its cue words later decide when the user
// is reminded of the action.
struct IfThenLine {
    // The condition after "when ", trimmed, in the letter case typed.
    std::string cue;
    // What to do, trimmed.
    std::string action;
    // significantTokens(cue); never empty in a parsed line.
    std::vector<std::string> tokens;

    // The line split into cue and action, or nothing when the text does not
    // begin with "when " (any letter case) or has no comma or " then " after
    // it, when cue or action is shorter than 2 characters, or when the cue has
    // no significant words. A comma wins over " then ".
    static std::optional<IfThenLine> parse(std::string_view text);

    // The lower-cased words of `text` that have at least 3 characters and are
    // not stop words, in order, duplicates kept. Words are separated by every
    // character that is not a letter, mark or number of any script.
    static std::vector<std::string> significantTokens(std::string_view text);

    friend bool operator==(const IfThenLine&, const IfThenLine&) = default;
};

}  // namespace qm
