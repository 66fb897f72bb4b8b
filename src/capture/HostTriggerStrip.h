#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Decides how a typed trigger is taken out of a host field's value. Pure: no
// Accessibility, any thread. Positions are UTF-16 code units, as the
// Accessibility text attributes count them; a caret is the end of the selected
// range. Values may hold lone surrogates (some hosts report them); they are
// compared as they are and repaired only where text is rebuilt.
struct HostTriggerStrip {
    HostTriggerStrip() = delete;

    // One way of removing the trigger.
    struct Action {
        enum class Kind {
            replaceSelectedRange,  // select the range and replace it with nothing
            backspace,             // Delete keys at the host's caret, as many as the trigger's characters
        };
        Kind kind = Kind::backspace;
        std::int64_t location = 0;
        std::int64_t length = 0;

        static Action replaceSelectedRange(std::int64_t location, std::int64_t length)
        {
            return {Kind::replaceSelectedRange, location, length};
        }
        static Action backspace() { return {}; }

        friend bool operator==(const Action&, const Action&) = default;
    };

    struct Plan {
        Action primary;
        // Whether a rewrite of the whole value may follow a refused range delete.
        bool allowWholeValueFallback = false;

        friend bool operator==(const Plan&, const Plan&) = default;
    };

    // Where the trigger sits in the value, and the units found there.
    struct Match {
        std::size_t start = 0;
        std::size_t length = 0;
        std::u16string text;

        friend bool operator==(const Match&, const Match&) = default;
    };

    // Zero width space, non-joiner and joiner, word joiner, zero width
    // no-break space: editors that use them as anchors misplace offsets.
    static constexpr std::array<char16_t, 5> formatControlScalars{u'\u200B', u'\u200C', u'\u200D', u'\u2060',
                                                                  u'\uFEFF'};
    // Bundle-id fragments of editors that keep a document model behind the
    // text: a rewrite of their whole value would flatten it.
    static constexpr std::array<std::string_view, 9> structuredEditorFragments{
        "md.obsidian", "logseq",  "notion",   "craft.craft", "typora",
        "bear",        "ulysses", "iawriter", "ia.writer"};
    // Values longer than this (user-perceived characters) are never rewritten whole.
    static constexpr std::size_t wholeValueRewriteMaxCharacters = 400;

    static bool containsFormatControls(std::u16string_view value);
    static bool isStructuredEditor(const std::optional<std::string>& bundleId);
    // False for structured editors, format controls, more than 400 characters,
    // more than one line break, or a list pattern ("\n-\n", "\n- \n").
    static bool isSafeForWholeValueRewrite(std::u16string_view value,
                                           const std::optional<std::string>& bundleId);

    // The trigger body, optionally followed by " " or "\n", ending at the caret
    // (or, failing that, at the end of the value); exact units first, then
    // without case.
    static std::optional<Match> matchedTrigger(std::u16string_view value, std::u16string_view triggerBody,
                                               std::optional<std::int64_t> caretUTF16);
    // The value without the match, lone surrogates repaired to U+FFFD.
    static std::u16string removingMatch(std::u16string_view value, const Match& match);
    static std::optional<std::u16string> strippedValue(std::u16string_view value,
                                                       std::u16string_view triggerBody,
                                                       std::optional<std::int64_t> caretUTF16);

    static Plan plan(std::u16string_view axValue, std::u16string_view triggerBody,
                     std::optional<std::int64_t> caretUTF16, const std::optional<std::string>& bundleId);
};

}  // namespace qm
