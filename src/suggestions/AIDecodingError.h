#pragma once

#include <stdexcept>
#include <string>

namespace qm {

// A serialised AI value that cannot be read back: a missing key, a value of the
// wrong type, or an action object that does not name exactly one action.
class AIDecodingError : public std::runtime_error {
public:
    explicit AIDecodingError(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace qm
