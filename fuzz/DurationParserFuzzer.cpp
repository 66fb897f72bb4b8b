// Random text through the duration parser: no crash, no call slower than linear in
// its input, and a parsed length always within one minute to 24 hours with its
// display form.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "FuzzBudget.h"
#include "base/Text.h"
#include "targets/DurationParser.h"

namespace {

constexpr const char* kName = "DurationParserFuzzer";

void check(bool condition, const char* what)
{
    qm::fuzz::check(kName, condition, what);
}

template <typename Text, typename Call> auto linearIn(const char* name, const Text& input, Call call)
{
    return qm::fuzz::linearIn(kName, name, input, call);
}

std::optional<qm::DurationParseResult> parse(std::string_view text)
{
    try {
        return qm::DurationParser::parse(text);
    } catch (const qm::DurationParserError& error) {
        check(std::strlen(error.what()) > 0, "error without a description");
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto result = linearIn("parse", text, [](const std::string& line) { return parse(line); })) {
        check(result->interval >= 60 && result->interval <= qm::DurationParser::maxInterval,
              "interval out of range");
        check(result->displayDuration == qm::DurationParser::formatInterval(result->interval),
              "display differs");
        if (result->label) {
            check(!result->label->empty(), "empty label");
            check(qm::text::trimmed(*result->label) == *result->label, "label not trimmed");
        }
    }

    if (size >= sizeof(double)) {
        double seconds = 0;
        std::memcpy(&seconds, data, sizeof seconds);
        check(!qm::DurationParser::formatInterval(seconds).empty(), "empty display");
    }
    return 0;
}
