// Random UTF-16 host values (lone surrogates included), trigger bodies, carets
// and bundle ids through the trigger removal planning: no crash, every range
// inside the value, and the stripped value exactly the value without the match.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include <unicode/utf16.h>

#include "capture/HostTriggerStrip.h"

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "TriggerRemovalPlannerFuzzer: %s\n", what);
    std::abort();
}

bool hasLoneSurrogate(std::u16string_view units)
{
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (U16_IS_LEAD(units[i]) && i + 1 < units.size() && U16_IS_TRAIL(units[i + 1])) {
            ++i;
        } else if (U16_IS_SURROGATE(units[i])) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) {
        return 0;
    }
    static const std::u16string kBodies[] = {u"//note", u"//Note",    u"//reminders",
                                             u"//CALC", u"//\u0130x", u"x"};
    static const std::optional<std::string> kBundles[] = {
        std::nullopt, std::string(""), std::string("md.obsidian"), std::string("com.example.text"),
        std::string("NOTION.id")};

    const std::uint8_t control = data[0];
    std::optional<std::int64_t> caret;
    if (control & 1) {
        caret = static_cast<std::int16_t>(data[1] | (data[2] << 8));
    }
    const std::optional<std::string>& bundleId = kBundles[(control >> 1) % std::size(kBundles)];

    std::u16string value;
    for (std::size_t i = 3; i + 1 < size; i += 2) {
        value.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    std::u16string body;
    if ((control >> 4) < std::size(kBodies)) {
        body = kBodies[control >> 4];
        // Plant the body somewhere so matches happen often.
        if (control & 0x08 && !value.empty()) {
            value.insert(data[1] % (value.size() + 1), body);
        }
    } else {
        body = value.substr(0, (control >> 4) % 8);
    }

    const auto plan = qm::HostTriggerStrip::plan(value, body, caret, bundleId);
    const auto match = qm::HostTriggerStrip::matchedTrigger(value, body, caret);
    (void)qm::HostTriggerStrip::isSafeForWholeValueRewrite(value, bundleId);

    if (match) {
        if (match->length == 0 || match->start > value.size() ||
            match->length > value.size() - match->start) {
            fail("match outside the value");
        }
        const auto stripped = qm::HostTriggerStrip::strippedValue(value, body, caret);
        if (!stripped || stripped->size() != value.size() - match->length || hasLoneSurrogate(*stripped)) {
            fail("stripped value is not the value without the match");
        }
    }
    using Kind = qm::HostTriggerStrip::Action::Kind;
    if (plan.primary.kind == Kind::replaceSelectedRange) {
        if (!match || plan.primary.location != static_cast<std::int64_t>(match->start) ||
            plan.primary.length != static_cast<std::int64_t>(match->length)) {
            fail("planned range differs from the match");
        }
        if (qm::HostTriggerStrip::containsFormatControls(value)) {
            fail("range delete planned for a value with format controls");
        }
    } else if (plan.allowWholeValueFallback) {
        fail("whole-value fallback without a range delete");
    }
    return 0;
}
