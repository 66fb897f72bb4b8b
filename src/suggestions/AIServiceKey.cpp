#include "suggestions/AIServiceKey.h"

#include <algorithm>

#include "base/Text.h"

namespace qm {

std::optional<std::string> loadServiceKey(const SecretLoader& secrets, std::string_view service,
                                          std::string_view key)
{
    if (!secrets) {
        return std::nullopt;
    }
    const auto bytes = secrets(service, key);
    if (!bytes || !text::isValidUtf8(*bytes)) {
        return std::nullopt;
    }
    std::string apiKey = text::trimmed(*bytes);
    const bool controlCharacter = std::any_of(apiKey.begin(), apiKey.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
    if (apiKey.empty() || controlCharacter) {
        return std::nullopt;
    }
    return apiKey;
}

}  // namespace qm
