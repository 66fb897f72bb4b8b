#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "suggestions/SecretLoader.h"

namespace qm {

// The API key of a cloud service from the secret store: the item's bytes as
// UTF-8 text, trimmed of white space and line breaks. Nothing when there is no
// item, the bytes are not UTF-8, the text is empty, or it holds a control
// character that would break the request's header.
std::optional<std::string> loadServiceKey(const SecretLoader& secrets, std::string_view service,
                                          std::string_view key);

}  // namespace qm
