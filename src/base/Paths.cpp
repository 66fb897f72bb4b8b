#include "base/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace qm::paths {

namespace {

// getpwuid() returns a static buffer that any thread may overwrite; the re-entrant
// form fills our own, growing it while the entry does not fit.
std::filesystem::path accountHome()
{
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    for (;;) {
        struct passwd entry {};
        struct passwd* found = nullptr;
        const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (std::size_t{1} << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error == 0 && found && found->pw_dir) {
            return found->pw_dir;
        }
        return {};
    }
}

const std::filesystem::path& cachedAccountHome()
{
    static std::once_flag once;
    static std::filesystem::path home;
    std::call_once(once, [] { home = accountHome(); });
    return home;
}

std::optional<std::filesystem::path> fromEnvironment(const char* variable, const char* homeRelative)
{
    if (const char* value = std::getenv(variable); value && *value) {
        return std::filesystem::path(value);
    }
    auto home = homeFolder();
    if (home.empty()) {
        return std::nullopt;
    }
    return home / homeRelative;
}

}  // namespace

std::filesystem::path homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    return cachedAccountHome();
}

std::optional<std::filesystem::path> applicationSupport()
{
    return fromEnvironment("XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> configHome()
{
    return fromEnvironment("XDG_CONFIG_HOME", ".config");
}

std::optional<std::filesystem::path> documents()
{
    return fromEnvironment("XDG_DOCUMENTS_DIR", "Documents");
}

std::optional<std::filesystem::path> downloads()
{
    return fromEnvironment("XDG_DOWNLOAD_DIR", "Downloads");
}

std::string expandTilde(std::string_view path)
{
    if (path.empty() || path.front() != '~' || (path.size() > 1 && path[1] != '/')) {
        return std::string(path);
    }
    std::string expanded = homeFolder().string();
    if (expanded.empty()) {
        return std::string(path);
    }
    if (path.size() > 1) {
        while (!expanded.empty() && expanded.back() == '/') {
            expanded.pop_back();
        }
        expanded.append(path.substr(1));
    }
    return expanded;
}

std::optional<std::filesystem::path> appDataFolder()
{
    auto support = applicationSupport();
    if (!support) {
        return std::nullopt;
    }
    return *support / kBundleIdentifier;
}

}  // namespace qm::paths
