#include "targets/SlackOptionRanking.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include "base/CharacterBreaks.h"
#include "base/Text.h"

namespace qm {

namespace {

// A text as its user-perceived characters, each in composed form.
using Characters = std::vector<std::u16string>;

Characters charactersOf(std::string_view utf8)
{
    const std::u16string wide = text::toUtf16(utf8);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    icu::UnicodeString composed(false, wide.data(), static_cast<int32_t>(wide.size()));
    if (U_SUCCESS(status)) {
        composed = nfc->normalize(composed, status);
    }
    Characters characters;
    if (U_FAILURE(status)) {
        // Without ICU's normalisation every code unit stands alone: still a total order.
        for (const char16_t unit : wide) {
            characters.emplace_back(1, unit);
        }
        return characters;
    }
    const std::u16string_view units(composed.getBuffer(), static_cast<std::size_t>(composed.length()));
    text::CharacterBreaks breaks(units);
    for (std::size_t start = 0; start < units.size();) {
        const std::size_t end = breaks.following(start);
        characters.emplace_back(units.substr(start, end - start));
        start = end;
    }
    return characters;
}

bool beginsWith(const Characters& text, const Characters& prefix)
{
    return prefix.size() <= text.size() && std::equal(prefix.begin(), prefix.end(), text.begin());
}

bool contains(const Characters& text, const Characters& part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end()) != text.end();
}

std::size_t distance(const Characters& key, const Characters& query)
{
    // Row by row over the key's characters; the first row holds 0 ... query length.
    std::vector<std::size_t> previous(query.size() + 1);
    for (std::size_t j = 0; j <= query.size(); ++j) {
        previous[j] = j;
    }
    std::vector<std::size_t> row(query.size() + 1);
    for (std::size_t i = 1; i <= key.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= query.size(); ++j) {
            row[j] = key[i - 1] == query[j - 1] ? previous[j - 1]
                                                : 1 + std::min({previous[j - 1], previous[j], row[j - 1]});
        }
        std::swap(previous, row);
    }
    return previous[query.size()];
}

// The part of a row's name that the query is compared with.
Characters keyOf(const PickerOption& option, bool channelMode)
{
    Characters key = charactersOf(text::lowercased(option.displayName));
    const std::u16string sigil = channelMode ? u"#" : u"@";
    if (!key.empty() && key.front() == sigil) {
        key.erase(key.begin());
    }
    if (!channelMode) {
        key.erase(std::find(key.begin(), key.end(), u" "), key.end());
    }
    return key;
}

std::vector<PickerOption> firstOptions(std::vector<std::pair<std::size_t, const PickerOption*>> scored)
{
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<PickerOption> options;
    for (std::size_t i = 0; i < scored.size() && i < SlackOptionRanking::kMaxOptions; ++i) {
        options.push_back(*scored[i].second);
    }
    return options;
}

}  // namespace

std::vector<PickerOption> SlackOptionRanking::rank(const std::vector<PickerOption>& channels,
                                                   const std::vector<PickerOption>& users,
                                                   std::string_view filter)
{
    Characters query = charactersOf(text::lowercased(text::trimmed(filter)));
    const bool channelMode = !query.empty() && query.front() == u"#";
    if ((channelMode || (!query.empty() && query.front() == u"@"))) {
        query.erase(query.begin());
    }
    const std::vector<PickerOption>& pool = channelMode ? channels : users;
    if (query.empty()) {
        return {pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(std::min(pool.size(), kMaxOptions))};
    }

    std::vector<Characters> keys;
    keys.reserve(pool.size());
    std::vector<std::pair<std::size_t, const PickerOption*>> scored;
    for (const PickerOption& option : pool) {
        keys.push_back(keyOf(option, channelMode));
        const Characters& key = keys.back();
        if (key == query) {
            scored.emplace_back(0, &option);
        } else if (beginsWith(key, query)) {
            scored.emplace_back(1, &option);
        } else if (contains(key, query)) {
            scored.emplace_back(2, &option);
        }
    }
    if (!scored.empty()) {
        return firstOptions(std::move(scored));
    }
    for (std::size_t i = 0; i < pool.size(); ++i) {
        const Characters& key = keys[i];
        const std::size_t lengthGap =
            key.size() > query.size() ? key.size() - query.size() : query.size() - key.size();
        if (lengthGap > kMaxDistance) {
            continue;
        }
        if (const std::size_t edits = distance(key, query); edits <= kMaxDistance) {
            scored.emplace_back(edits, &pool[i]);
        }
    }
    return firstOptions(std::move(scored));
}

std::size_t SlackOptionRanking::levenshtein(std::string_view a, std::string_view b)
{
    return distance(charactersOf(a), charactersOf(b));
}

}  // namespace qm
