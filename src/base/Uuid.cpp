#include "base/Uuid.h"

#include <random>

#include <openssl/rand.h>

namespace qm {

namespace {

constexpr std::size_t kTextLength = 36;

bool isDashPosition(std::size_t i)
{
    return i == 8 || i == 13 || i == 18 || i == 23;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

Uuid Uuid::random()
{
    Bytes bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        // OpenSSL's generator failing to seed is near impossible on Linux; the
        // kernel's source behind random_device is then the next best thing,
        // and still far better than an identifier that repeats.
        std::random_device device;
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(device());
        }
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return Uuid(bytes);
}

std::optional<Uuid> Uuid::fromString(std::string_view text)
{
    if (text.size() != kTextLength) {
        return std::nullopt;
    }
    Bytes bytes{};
    std::size_t next = 0;
    for (std::size_t i = 0; i < kTextLength;) {
        if (isDashPosition(i)) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            ++i;
            continue;
        }
        const int high = hexValue(text[i]);
        const int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes[next++] = static_cast<std::uint8_t>(high << 4 | low);
        i += 2;
    }
    return Uuid(bytes);
}

std::string Uuid::string() const
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(kTextLength);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            out.push_back('-');
        }
        out.push_back(kHex[bytes_[i] >> 4]);
        out.push_back(kHex[bytes_[i] & 0x0F]);
    }
    return out;
}

}  // namespace qm
