#include "platform/network/HttpResponse.h"

#include <algorithm>
#include <cctype>

namespace qm {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::optional<std::string> HttpResponse::header(std::string_view name) const
{
    for (const auto& [field, value] : headers) {
        if (sameName(field, name)) {
            const auto first = value.find_first_not_of(" \t");
            if (first == std::string::npos) {
                return std::string();
            }
            return value.substr(first, value.find_last_not_of(" \t") - first + 1);
        }
    }
    return std::nullopt;
}

}  // namespace qm
