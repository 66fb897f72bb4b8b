#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Reads one secret-store item: the bytes under (service, key), or nothing. The
// composition root passes KeychainHelper::load.
using SecretLoader =
    std::function<std::optional<std::string>(std::string_view service, std::string_view key)>;

}  // namespace qm
