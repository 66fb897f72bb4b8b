// Arbitrary bytes as the content of "open-loops.json": the decoder never
// crashes, and whatever it accepts is written back in a form that decodes to
// the same loops and encodes to the same bytes again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "records/OpenLoopFile.h"

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "OpenLoopsDecoderFuzzer: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string reason;
    const auto decoded = qm::OpenLoopFile::decode(bytes, reason);
    if (!decoded) {
        check(!reason.empty(), "refused without a reason");
        return 0;
    }

    const std::string encoded = decoded->encode();
    std::string again;
    const auto reread = qm::OpenLoopFile::decode(encoded, again);
    check(reread.has_value(), "its own encoding does not decode");
    check(*reread == *decoded, "round trip changed the content");
    check(reread->encode() == encoded, "encoding is not stable");
    check(encoded.find('\n') == std::string::npos, "encoding is not compact");
    return 0;
}
