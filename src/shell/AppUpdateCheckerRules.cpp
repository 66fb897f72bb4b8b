// The release manifest's rules: acceptance, the image address, versions and
// what is shown of a release.

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <unicode/uchar.h>

#include "base/CharacterBreaks.h"
#include "base/FileDescriptor.h"
#include "base/Json.h"
#include "base/Sha256.h"
#include "base/Text.h"
#include "platform/runtime/MainBundle.h"
#include "shell/AppUpdateChecker.h"
#include "shell/UpdateError.h"

namespace qm {

namespace {

bool isHexDigest(std::string_view text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
           });
}

// A whole decimal integer within the signed 64-bit range: an optional sign,
// then ASCII digits only.
std::optional<std::int64_t> wholeNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The characters of `piece` whose first code point has a numeric type, in order.
std::string numericCharacters(std::string_view piece)
{
    const std::u16string utf16 = text::toUtf16(piece);
    text::CharacterBreaks breaks(utf16);
    std::u16string kept;
    for (std::size_t start = 0; start < utf16.size();) {
        const std::size_t end = breaks.following(start);
        UChar32 first = 0;
        std::size_t at = start;
        U16_NEXT(utf16.data(), at, end, first);
        if (u_getIntPropertyValue(first, UCHAR_NUMERIC_TYPE) != U_NT_NONE) {
            kept.append(utf16, start, end - start);
        }
        start = end;
    }
    return text::toUtf8(kept);
}

PlatformError readError(const std::filesystem::path& file, int code)
{
    return PlatformError(
        "NSPOSIXErrorDomain", code,
        fmt::format("The file “{}” couldn’t be read: {}.", file.string(), std::strerror(code)));
}

}  // namespace

AppUpdateChecker::UpdateManifest AppUpdateChecker::decodeManifest(std::string_view body,
                                                                  std::string_view manifestURL)
{
    const auto document = json::parse(body);
    if (!document) {
        throw PlatformError("NSCocoaErrorDomain", 3840,
                            "The data couldn’t be read because it isn’t in the correct format.");
    }
    UpdateManifest manifest = UpdateManifest::fromJson(*document);
    const auto version = parseVersion(manifest.version);
    const bool accepted =
        !manifest.version.empty() && manifest.build >= 1 &&
        std::any_of(version.begin(), version.end(), [](std::int64_t component) { return component > 0; }) &&
        validDownloadURL(manifest.dmgURL, manifestURL) && isHexDigest(manifest.sha256);
    if (!accepted) {
        throw UpdateError::invalidManifest();
    }
    return manifest;
}

std::optional<Url> AppUpdateChecker::validDownloadURL(std::string_view text, std::string_view manifestURL)
{
    const auto origin = Url::parse(manifestURL);
    auto url = Url::parse(text);
    if (!origin || !url || url->scheme != origin->scheme || url->host.empty() || url->host != origin->host ||
        text::lowercased(url->pathExtension()) != "dmg") {
        return std::nullopt;
    }
    return url;
}

std::vector<std::int64_t> AppUpdateChecker::parseVersion(std::string_view text)
{
    std::string trimmed = text::trimmed(text);
    if (!trimmed.empty() && (trimmed.front() == 'v' || trimmed.front() == 'V')) {
        trimmed.erase(0, 1);
    }
    std::vector<std::int64_t> components;
    std::string_view rest = trimmed;
    while (!rest.empty()) {
        const auto dot = rest.find('.');
        const std::string_view piece = rest.substr(0, dot);
        rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
        if (piece.empty()) {
            continue;
        }
        const std::string digits = numericCharacters(piece);
        // Only ASCII digits read as a number; other numerals and overflow give 0.
        const bool ascii =
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        components.push_back(ascii ? wholeNumber(digits).value_or(0) : 0);
    }
    return components;
}

bool AppUpdateChecker::isVersion(const std::vector<std::int64_t>& version,
                                 const std::vector<std::int64_t>& newerThan)
{
    const std::size_t length = std::max(version.size(), newerThan.size());
    for (std::size_t index = 0; index < length; ++index) {
        const std::int64_t mine = index < version.size() ? version[index] : 0;
        const std::int64_t theirs = index < newerThan.size() ? newerThan[index] : 0;
        if (mine != theirs) {
            return mine > theirs;
        }
    }
    return false;
}

bool AppUpdateChecker::describesUpdate(const UpdateManifest& manifest, std::string_view currentVersion,
                                       std::int64_t currentBuild)
{
    const auto remote = parseVersion(manifest.version);
    const auto local = parseVersion(currentVersion);
    // The build breaks a tie only between identical lists: 1.2 and 1.2.0 are
    // equal in the order, yet neither's build decides over the other.
    return isVersion(remote, local) || (remote == local && currentBuild < manifest.build);
}

std::string AppUpdateChecker::versionIn(const DefaultsValue::Dictionary& info)
{
    const auto found = info.find("CFBundleShortVersionString");
    if (found != info.end()) {
        if (const auto* text = found->second.get<std::string>()) {
            return *text;
        }
    }
    return "0";
}

std::int64_t AppUpdateChecker::buildIn(const DefaultsValue::Dictionary& info)
{
    const auto found = info.find("CFBundleVersion");
    if (found != info.end()) {
        if (const auto* text = found->second.get<std::string>()) {
            return wholeNumber(*text).value_or(0);
        }
    }
    return 0;
}

std::string AppUpdateChecker::currentVersion()
{
    return versionIn(MainBundle::infoDictionary());
}

std::int64_t AppUpdateChecker::currentBuild()
{
    return buildIn(MainBundle::infoDictionary());
}

std::string AppUpdateChecker::preparedNotes(const std::vector<std::string>& releaseNotes)
{
    std::string joined;
    for (std::size_t index = 0; index < releaseNotes.size(); ++index) {
        if (index > 0) {
            joined += '\n';
        }
        joined += releaseNotes[index];
    }
    if (joined.empty()) {
        return fmt::format("Download the latest build from {}.", updateHost());
    }
    if (text::graphemeCount(joined) <= kMaximumNoteCharacters) {
        return joined;
    }
    return text::truncateGraphemes(joined, kMaximumNoteCharacters) + "…";
}

std::string AppUpdateChecker::imageFileName(std::string_view version)
{
    std::string component(version);
    std::replace_if(
        component.begin(), component.end(),
        [](char c) { return c == '/' || c == '\\' || c == ':' || c == '\0'; }, '-');
    component.erase(0, component.find_first_not_of('.'));
    return "Quillmarker-" + component + ".dmg";
}

std::string AppUpdateChecker::sha256(const std::filesystem::path& file)
{
    const file::FileDescriptor descriptor(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!descriptor.isOpen()) {
        throw readError(file, errno);
    }
    struct stat status {};
    if (::fstat(descriptor.get(), &status) != 0) {
        throw readError(file, errno);
    }
    if (!S_ISREG(status.st_mode)) {
        throw readError(file, EINVAL);
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    if (size == 0) {
        return Sha256::hexDigest({});
    }
    // Mapped rather than read: the image may be 150 MB.
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor.get(), 0);
    if (mapped == MAP_FAILED) {
        throw readError(file, errno);
    }
    std::string digest;
    try {
        digest = Sha256::hexDigest(std::string_view(static_cast<const char*>(mapped), size));
    } catch (...) {
        ::munmap(mapped, size);
        throw;
    }
    ::munmap(mapped, size);
    return digest;
}

}  // namespace qm
