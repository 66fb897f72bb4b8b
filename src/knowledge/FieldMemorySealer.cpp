#include "knowledge/FieldMemorySealer.h"

#include "suggestions/FieldMemoryEngine.h"

namespace qm {

FieldMemorySealer::FieldMemorySealer(FieldMemoryEngine& fieldMemory) : fieldMemory_(fieldMemory) {}

std::optional<std::string> FieldMemorySealer::encrypt(std::string_view text)
{
    return fieldMemory_.encrypt(text);
}

}  // namespace qm
