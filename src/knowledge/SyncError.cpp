#include "knowledge/SyncError.h"

#include <string>

namespace qm {

namespace {

class SyncErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "SyncError"; }

    std::string message(int value) const override
    {
        switch (static_cast<SyncError>(value)) {
        case SyncError::serializationFailed:
            return "Failed to serialize graph payload";
        case SyncError::keyDerivationFailed:
            return "Failed to derive symmetric encryption key";
        case SyncError::parseFailed:
            return "Failed to parse decrypted payload";
        case SyncError::randomSaltFailed:
            return "Failed to generate random salt";
        }
        return "SyncError " + std::to_string(value);
    }
};

}  // namespace

const std::error_category& syncErrorCategory()
{
    static const SyncErrorCategory category;
    return category;
}

std::error_code make_error_code(SyncError error)
{
    return {static_cast<int>(error), syncErrorCategory()};
}

}  // namespace qm
