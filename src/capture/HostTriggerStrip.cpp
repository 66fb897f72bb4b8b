#include "capture/HostTriggerStrip.h"

#include <algorithm>

#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include "base/Text.h"
#include "capture/PassiveTriggerBuffer.h"

namespace qm {

namespace {

// Lone surrogates become U+FFFD, as decoding UTF-16 into text does.
std::u16string repaired(std::u16string_view units)
{
    std::u16string result;
    result.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        if (U16_IS_LEAD(unit) && i + 1 < units.size() && U16_IS_TRAIL(units[i + 1])) {
            result.push_back(unit);
            result.push_back(units[++i]);
        } else {
            result.push_back(U16_IS_SURROGATE(unit) ? u'\uFFFD' : unit);
        }
    }
    return result;
}

std::u16string lowercasedRoot(std::u16string_view text)
{
    icu::UnicodeString folded(false, text.data(), static_cast<std::int32_t>(text.size()));
    folded.toLower(icu::Locale::getRoot());
    return std::u16string(folded.getBuffer(), static_cast<std::size_t>(folded.length()));
}

std::optional<HostTriggerStrip::Match> matchEndingAt(std::u16string_view value,
                                                     std::u16string_view triggerBody, std::size_t end)
{
    const std::u16string candidates[] = {std::u16string(triggerBody), std::u16string(triggerBody) + u" ",
                                         std::u16string(triggerBody) + u"\n"};
    for (const auto& candidate : candidates) {
        const std::size_t length = candidate.size();
        if (length <= end && value.substr(end - length, length) == candidate) {
            return HostTriggerStrip::Match{end - length, length, candidate};
        }
    }
    const std::u16string body = lowercasedRoot(triggerBody);
    const std::size_t length = body.size();
    if (length <= end) {
        const std::u16string found = repaired(value.substr(end - length, length));
        if (lowercasedRoot(found) == body) {
            return HostTriggerStrip::Match{end - length, length, found};
        }
    }
    return std::nullopt;
}

std::size_t lineBreakCount(std::u16string_view value)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == u'\r') {
            ++count;
            if (i + 1 < value.size() && value[i + 1] == u'\n') {
                ++i;  // "\r\n" is one line break
            }
        } else if (value[i] == u'\n') {
            ++count;
        }
    }
    return count;
}

}  // namespace

bool HostTriggerStrip::containsFormatControls(std::u16string_view value)
{
    return std::any_of(value.begin(), value.end(), [](char16_t unit) {
        return std::find(formatControlScalars.begin(), formatControlScalars.end(), unit) !=
               formatControlScalars.end();
    });
}

bool HostTriggerStrip::isStructuredEditor(const std::optional<std::string>& bundleId)
{
    if (!bundleId || bundleId->empty()) {
        return false;
    }
    const std::string lowered = text::lowercased(*bundleId);
    return std::any_of(
        structuredEditorFragments.begin(), structuredEditorFragments.end(),
        [&](std::string_view fragment) { return lowered.find(fragment) != std::string::npos; });
}

bool HostTriggerStrip::isSafeForWholeValueRewrite(std::u16string_view value,
                                                  const std::optional<std::string>& bundleId)
{
    if (isStructuredEditor(bundleId) || containsFormatControls(value)) {
        return false;
    }
    // Cheap bound first: a value of at most 400 units has at most 400 characters.
    if (value.size() > wholeValueRewriteMaxCharacters &&
        PassiveTriggerBuffer(value).characterCount() > wholeValueRewriteMaxCharacters) {
        return false;
    }
    if (lineBreakCount(value) > 1) {
        return false;
    }
    return value.find(u"\n-\n") == std::u16string_view::npos &&
           value.find(u"\n- \n") == std::u16string_view::npos;
}

std::optional<HostTriggerStrip::Match>
HostTriggerStrip::matchedTrigger(std::u16string_view value, std::u16string_view triggerBody,
                                 std::optional<std::int64_t> caretUTF16)
{
    if (triggerBody.empty()) {
        return std::nullopt;
    }
    const std::size_t size = value.size();
    std::size_t end = size;
    if (caretUTF16) {
        end = *caretUTF16 <= 0 ? 0 : std::min<std::size_t>(static_cast<std::uint64_t>(*caretUTF16), size);
    }
    if (auto match = matchEndingAt(value, triggerBody, end)) {
        return match;
    }
    if (end < size) {
        return matchEndingAt(value, triggerBody, size);
    }
    return std::nullopt;
}

std::u16string HostTriggerStrip::removingMatch(std::u16string_view value, const Match& match)
{
    const std::size_t start = std::min(match.start, value.size());
    const std::size_t length = std::min(match.length, value.size() - start);
    std::u16string rest(value.substr(0, start));
    rest.append(value.substr(start + length));
    return repaired(rest);
}

std::optional<std::u16string> HostTriggerStrip::strippedValue(std::u16string_view value,
                                                              std::u16string_view triggerBody,
                                                              std::optional<std::int64_t> caretUTF16)
{
    const auto match = matchedTrigger(value, triggerBody, caretUTF16);
    if (!match) {
        return std::nullopt;
    }
    return removingMatch(value, *match);
}

HostTriggerStrip::Plan HostTriggerStrip::plan(std::u16string_view axValue, std::u16string_view triggerBody,
                                              std::optional<std::int64_t> caretUTF16,
                                              const std::optional<std::string>& bundleId)
{
    if (containsFormatControls(axValue)) {
        return {Action::backspace(), false};
    }
    const auto match = matchedTrigger(axValue, triggerBody, caretUTF16);
    if (!match) {
        return {Action::backspace(), false};
    }
    return {Action::replaceSelectedRange(static_cast<std::int64_t>(match->start),
                                         static_cast<std::int64_t>(match->length)),
            isSafeForWholeValueRewrite(axValue, bundleId)};
}

}  // namespace qm
