// Arbitrary bytes as the release manifest's body: decoding fails only with a
// platform error, and whatever is accepted keeps the acceptance rules, reads
// back equal from its encoding, and names an image file that is one file-name
// component. The same bytes as a version: parsing takes linear time and the
// order it gives never calls a version newer than itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzBudget.h"
#include "base/PlatformError.h"
#include "shell/AppUpdateChecker.h"

namespace {

constexpr const char* kName = "UpdateManifestFuzzer";

void check(bool condition, const char* what)
{
    qm::fuzz::check(kName, condition, what);
}

bool isHexDigest(const std::string& text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using qm::AppUpdateChecker;
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const auto manifest = AppUpdateChecker::decodeManifest(text);
        check(!manifest.version.empty() && manifest.build >= 1, "accepted an empty version or build");
        check(isHexDigest(manifest.sha256), "accepted a digest that is not 64 hexadecimal digits");
        check(AppUpdateChecker::validDownloadURL(manifest.dmgURL).has_value(),
              "accepted a refused image address");
        check(AppUpdateChecker::decodeManifest(manifest.encoded()) == manifest,
              "encoding does not read back");
        const std::string name = AppUpdateChecker::imageFileName(manifest.version);
        check(name.find_first_of(std::string("/\\:\0", 4)) == std::string::npos,
              "file name is not one component");
    } catch (const qm::PlatformError&) {
    }

    const auto version = qm::fuzz::linearIn(
        kName, "parseVersion", text, [](const std::string& v) { return AppUpdateChecker::parseVersion(v); });
    check(!AppUpdateChecker::isVersion(version, version), "a version is newer than itself");
    return 0;
}
