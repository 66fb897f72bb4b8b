// Fuzzer-made reply bodies through the Anthropic stream parser, whole, cut in two
// and one byte at a time: no crash, the same events every way, well formed.
#include <cstddef>
#include <cstdint>

#include "StreamParserFuzz.h"
#include "suggestions/AnthropicStreamParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qm::fuzz::checkStreamParser<qm::AnthropicStreamParser>("AnthropicStreamParserFuzzer", data, size);
    return 0;
}
