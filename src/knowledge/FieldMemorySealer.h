#pragma once

#include "knowledge/MCPMemorySealer.h"

namespace qm {

class FieldMemoryEngine;

// Seals pushed memories under the field-memory key, in field memory's own
// encrypted column value, so both kinds of stored value read back alike.
class FieldMemorySealer : public MCPMemorySealer {
public:
    // `fieldMemory` must outlive the sealer.
    explicit FieldMemorySealer(FieldMemoryEngine& fieldMemory);

    std::optional<std::string> encrypt(std::string_view text) override;

private:
    FieldMemoryEngine& fieldMemory_;
};

}  // namespace qm
