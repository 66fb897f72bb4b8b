// Arbitrary text through the hex colour parser: no crash, time that grows
// linearly with the input, and every colour it accepts is an opaque colour of whole
// 1/255 steps that writes as "#RRGGBB" and reads back as itself. Arbitrary
// doubles through the writer: six upper-case digits or nothing.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzBudget.h"
#include "suggestions/HexColor.h"

namespace {

constexpr const char* kName = "HexColorFuzzer";

void check(bool condition, const char* what)
{
    qm::fuzz::check(kName, condition, what);
}

template <typename Text, typename Call> auto linearIn(const char* name, const Text& input, Call call)
{
    return qm::fuzz::linearIn(kName, name, input, call);
}

bool isWholeStep(double component)
{
    const double scaled = component * 255.0;
    return component >= 0 && component <= 1 && std::fabs(scaled - std::round(scaled)) < 1e-9;
}

bool isWrittenHex(const std::string& text)
{
    if (text.size() != 7 || text[0] != '#') {
        return false;
    }
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto color =
            linearIn("parse", text, [](const std::string& hex) { return qm::HexColor::parse(hex); })) {
        check(isWholeStep(color->red) && isWholeStep(color->green) && isWholeStep(color->blue),
              "component is not a whole step of 1/255");
        check(color->alpha == 1.0, "parsed colour is not opaque");
        const auto written = qm::HexColor::format(*color);
        check(written.has_value() && isWrittenHex(*written), "parsed colour does not write as #RRGGBB");
        check(qm::HexColor::parse(*written) == color, "written colour reads back differently");
    }

    if (size >= 3 * sizeof(double)) {
        double components[3];
        std::memcpy(components, data, sizeof components);
        const qm::Color color{components[0], components[1], components[2], 1.0};
        const auto written = qm::HexColor::format(color);
        const bool finite =
            std::isfinite(components[0]) && std::isfinite(components[1]) && std::isfinite(components[2]);
        check(written.has_value() == finite, "only non-finite components may fail to write");
        if (written) {
            check(isWrittenHex(*written), "written text is not #RRGGBB");
        }
    }
    return 0;
}
