#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "targets/PickerOption.h"

namespace qm {

// Ranks the Slack picker's cached rows against what the user typed.
//
// The filter is trimmed and lower-cased. One leading "#" searches the
// channels; otherwise the people, after dropping one leading "@". An empty
// query gives the first kMaxOptions rows of its list. A row's key is its
// lower-cased name without the "#" or "@" (a person's only up to the first
// space, so the full name never matches). Rows whose key equals, begins with
// or contains the query rank in that order (answer order among equals); only
// when none does, rows whose key is at most kMaxDistance edits away (and at
// most that much longer or shorter) rank by distance. At most kMaxOptions.
//
// Texts are compared in composed form (NFC) and counted in user-perceived
// characters, so "é" typed either way is one character and matches itself.
class SlackOptionRanking {
public:
    static constexpr std::size_t kMaxOptions = 5;
    static constexpr std::size_t kMaxDistance = 2;

    static std::vector<PickerOption> rank(const std::vector<PickerOption>& channels,
                                          const std::vector<PickerOption>& users, std::string_view filter);

    // The Levenshtein distance between two texts in user-perceived characters.
    static std::size_t levenshtein(std::string_view a, std::string_view b);

    SlackOptionRanking() = delete;
};

}  // namespace qm
