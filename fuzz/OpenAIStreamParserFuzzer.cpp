// Fuzzer-made reply bodies through the OpenAI stream parser, whole, cut in two
// and one byte at a time: no crash, the same events every way, well formed.
#include <cstddef>
#include <cstdint>

#include "StreamParserFuzz.h"
#include "suggestions/OpenAIStreamParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qm::fuzz::checkStreamParser<qm::OpenAIStreamParser>("OpenAIStreamParserFuzzer", data, size);
    return 0;
}
