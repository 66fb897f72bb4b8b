#include "base/Base64.h"

#include <algorithm>

#include <openssl/evp.h>

namespace qm {

namespace {

// EVP_EncodeBlock and EVP_DecodeBlock take int lengths; feed them whole groups
// (3 bytes in, 4 characters out) well below that limit.
constexpr std::size_t kGroupsPerChunk = std::size_t{1} << 24;

bool isAlphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// The number of '=' at the end, or nothing if the text is not well-formed Base64.
// EVP_DecodeBlock alone would skip surrounding white space and accept padding in
// the middle, so the shape is checked here first.
std::optional<std::size_t> paddingOf(std::string_view text)
{
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') {
        ++padding;
    }
    const std::string_view body = text.substr(0, text.size() - padding);
    if (!std::all_of(body.begin(), body.end(), isAlphabet)) {
        return std::nullopt;
    }
    return padding;
}

}  // namespace

std::string Base64::encode(std::string_view bytes)
{
    std::string text;
    text.resize((bytes.size() + 2) / 3 * 4);
    constexpr std::size_t kChunk = kGroupsPerChunk * 3;
    std::size_t written = 0;
    for (std::size_t offset = 0; offset < bytes.size(); offset += kChunk) {
        const std::size_t length = std::min(kChunk, bytes.size() - offset);
        // EVP_EncodeBlock writes a terminating NUL after the characters; the last
        // chunk's NUL lands on the std::string's own terminator.
        const int count = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data() + written),
                                          reinterpret_cast<const unsigned char*>(bytes.data() + offset),
                                          static_cast<int>(length));
        written += static_cast<std::size_t>(count);
    }
    text.resize(written);
    return text;
}

std::optional<std::string> Base64::decode(std::string_view text)
{
    const auto padding = paddingOf(text);
    if (!padding) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.resize(text.size() / 4 * 3);
    constexpr std::size_t kChunk = kGroupsPerChunk * 4;
    std::size_t written = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += kChunk) {
        const std::size_t length = std::min(kChunk, text.size() - offset);
        const int count = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data() + written),
                                          reinterpret_cast<const unsigned char*>(text.data() + offset),
                                          static_cast<int>(length));
        if (count < 0) {
            return std::nullopt;
        }
        written += static_cast<std::size_t>(count);
    }
    // EVP_DecodeBlock counts the zero bytes that padding stands for.
    bytes.resize(written - *padding);
    return bytes;
}

}  // namespace qm
