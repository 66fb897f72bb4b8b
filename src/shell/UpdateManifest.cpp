#include "shell/UpdateManifest.h"

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/PlatformError.h"

namespace qm {

namespace {

constexpr const char* kCocoaErrorDomain = "NSCocoaErrorDomain";
constexpr long kCoderReadCorruptError = 4864;
constexpr long kCoderValueNotFoundError = 4865;

PlatformError missing()
{
    return PlatformError(kCocoaErrorDomain, kCoderValueNotFoundError,
                         "The data couldn’t be read because it is missing.");
}

PlatformError wrongFormat()
{
    return PlatformError(kCocoaErrorDomain, kCoderReadCorruptError,
                         "The data couldn’t be read because it isn’t in the correct format.");
}

const nlohmann::json& member(const nlohmann::json& document, const char* key)
{
    const auto found = document.find(key);
    if (found == document.end() || found->is_null()) {
        throw missing();
    }
    return *found;
}

std::string stringMember(const nlohmann::json& document, const char* key)
{
    const auto& value = member(document, key);
    if (!value.is_string()) {
        throw wrongFormat();
    }
    return value.get<std::string>();
}

}  // namespace

UpdateManifest UpdateManifest::fromJson(const nlohmann::json& document)
{
    if (!document.is_object()) {
        throw wrongFormat();
    }
    UpdateManifest manifest;
    manifest.version = stringMember(document, "version");
    member(document, "build");
    const auto build = json::integerAt(document, "build");
    if (!build) {
        throw wrongFormat();
    }
    manifest.build = *build;
    manifest.minimumSystemVersion = stringMember(document, "minimumSystemVersion");
    manifest.dmgURL = stringMember(document, "dmgURL");
    manifest.sha256 = stringMember(document, "sha256");
    const auto& notes = member(document, "releaseNotes");
    if (!notes.is_array()) {
        throw wrongFormat();
    }
    for (const auto& line : notes) {
        if (!line.is_string()) {
            throw wrongFormat();
        }
        manifest.releaseNotes.push_back(line.get<std::string>());
    }
    return manifest;
}

std::string UpdateManifest::encoded() const
{
    // An ordered object keeps the keys in the order written.
    nlohmann::ordered_json ordered;
    ordered["version"] = version;
    ordered["build"] = build;
    ordered["minimumSystemVersion"] = minimumSystemVersion;
    ordered["dmgURL"] = dmgURL;
    ordered["sha256"] = sha256;
    ordered["releaseNotes"] = releaseNotes;
    return ordered.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace qm
