#pragma once

#include <cstdint>

#include "base/PlatformError.h"

namespace qm {

// Why an update check or install was refused: a PlatformError in the domain
// "AppUpdateChecker" whose description is the sentence the user sees.
class UpdateError : public PlatformError {
public:
    static constexpr const char* kDomain = "AppUpdateChecker";

    enum class Case : long {
        invalidHTTPStatus = 1,
        invalidFileSize = 2,
        invalidManifest = 3,
        checksumMismatch = 4,
    };

    // The status code; -1 when there was no HTTP response.
    static UpdateError invalidHTTPStatus(long status);
    // The size in bytes; 0 when the file reports none.
    static UpdateError invalidFileSize(std::int64_t bytes);
    static UpdateError invalidManifest();
    static UpdateError checksumMismatch();

    Case updateCase() const { return static_cast<Case>(code()); }
    // The number the case carries (status or size); 0 for the others.
    std::int64_t payload() const { return payload_; }

private:
    UpdateError(Case updateCase, std::int64_t payload, std::string description);

    std::int64_t payload_;
};

}  // namespace qm
