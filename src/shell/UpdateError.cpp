#include "shell/UpdateError.h"

#include <fmt/format.h>

namespace qm {

UpdateError::UpdateError(Case updateCase, std::int64_t payload, std::string description)
    : PlatformError(kDomain, static_cast<long>(updateCase), std::move(description)), payload_(payload)
{
}

UpdateError UpdateError::invalidHTTPStatus(long status)
{
    return UpdateError(Case::invalidHTTPStatus, status,
                       fmt::format("The download server returned HTTP {}.", status));
}

UpdateError UpdateError::invalidFileSize(std::int64_t bytes)
{
    return UpdateError(Case::invalidFileSize, bytes,
                       fmt::format("The downloaded file size was unexpected ({} bytes).", bytes));
}

UpdateError UpdateError::invalidManifest()
{
    return UpdateError(Case::invalidManifest, 0, "The release manifest is missing required security fields.");
}

UpdateError UpdateError::checksumMismatch()
{
    return UpdateError(Case::checksumMismatch, 0,
                       "The downloaded file did not match the published SHA-256 checksum.");
}

}  // namespace qm
