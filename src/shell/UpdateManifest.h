#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace qm {

// The release manifest the update host serves: the newest release's version
// and build, the address and SHA-256 of its disk image, and its notes. Only
// the JSON types are checked here; AppUpdateChecker::decodeManifest applies
// the acceptance rules.
struct UpdateManifest {
    std::string version;
    std::int64_t build = 0;
    // Carried, never enforced.
    std::string minimumSystemVersion;
    std::string dmgURL;
    std::string sha256;
    std::vector<std::string> releaseNotes;

    // Every key is required; a missing key, a null or a value of another JSON
    // type throws PlatformError in the platform's coding-error numbering
    // (4864 corrupt data, 4865 missing value). Keys not listed are ignored.
    static UpdateManifest fromJson(const nlohmann::json& document);
    // Compact JSON text with the six keys in the order of the fields.
    std::string encoded() const;

    bool operator==(const UpdateManifest&) const = default;
};

}  // namespace qm
