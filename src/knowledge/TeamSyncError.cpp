#include "knowledge/TeamSyncError.h"

#include <string>

namespace qm {

namespace {

class TeamSyncErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "TeamSyncError"; }

    std::string message(int value) const override
    {
        switch (static_cast<TeamSyncError>(value)) {
        case TeamSyncError::serializationFailed:
            return "Failed to serialize team graph payload";
        case TeamSyncError::keyDerivationFailed:
            return "Failed to derive symmetric encryption key";
        case TeamSyncError::parseFailed:
            return "Failed to parse decrypted payload";
        case TeamSyncError::teamMismatch:
            return "Cryptographical namespace mismatch. Team ID mismatch.";
        case TeamSyncError::randomSaltFailed:
            return "Failed to generate random salt";
        }
        return "TeamSyncError " + std::to_string(value);
    }
};

}  // namespace

const std::error_category& teamSyncErrorCategory()
{
    static const TeamSyncErrorCategory category;
    return category;
}

std::error_code make_error_code(TeamSyncError error)
{
    return {static_cast<int>(error), teamSyncErrorCategory()};
}

}  // namespace qm
