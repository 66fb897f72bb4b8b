#include "base/AesGcmError.h"

#include <string>

namespace qm {

namespace {

class AesGcmCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "AES.GCM"; }

    std::string message(int value) const override
    {
        switch (static_cast<AesGcmError>(value)) {
        case AesGcmError::incorrectKeySize:
            return "incorrectKeySize";
        case AesGcmError::incorrectParameterSize:
            return "incorrectParameterSize";
        case AesGcmError::authenticationFailure:
            return "authenticationFailure";
        case AesGcmError::randomSourceFailure:
            return "randomSourceFailure";
        case AesGcmError::underlyingCryptoFailure:
            return "underlyingCryptoFailure";
        }
        return "unknown AES.GCM error " + std::to_string(value);
    }
};

}  // namespace

const std::error_category& aesGcmCategory()
{
    static const AesGcmCategory category;
    return category;
}

std::error_code make_error_code(AesGcmError error)
{
    return {static_cast<int>(error), aesGcmCategory()};
}

}  // namespace qm
