#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Seals the values that local tools push as memories, under the field-memory
// key. Field memory implements it; the composition root wires it in.
class MCPMemorySealer {
public:
    virtual ~MCPMemorySealer() = default;

    // The encrypted column value of `text` (the Base64 text of an AES-GCM
    // combined box), or nothing when no key can be had or sealing fails.
    // Called from several requests at once.
    virtual std::optional<std::string> encrypt(std::string_view text) = 0;
};

}  // namespace qm
