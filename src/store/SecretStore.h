#pragma once

#include <optional>
#include <string_view>

#include "platform/storage/SecStatus.h"
#include "store/KeychainHelper.h"

namespace qm {

// The secret store as a service that can be handed to another: the same two
// operations as KeychainHelper, behind an interface, so that a service that
// keeps a secret takes its store through its constructor. Implementations may
// be called from any thread.
class SecretStore {
public:
    using Bytes = KeychainHelper::Bytes;
    using LoadResult = KeychainHelper::LoadResult;

    virtual ~SecretStore() = default;

    // Tells "nothing stored" apart from "could not be read": a caller that
    // creates a secret when there is none must only do so on notFound.
    virtual LoadResult loadWithStatus(std::string_view service, std::string_view key) = 0;

    // errSecSuccess, or the failure's status; the label is not stored.
    virtual SecStatus save(std::string_view service, std::string_view key, std::string_view data,
                           std::optional<std::string_view> label) = 0;
};

}  // namespace qm
