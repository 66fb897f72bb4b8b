#include "base/Paths.h"

#include <cstdlib>
#include <string>

namespace qm::paths {

namespace {

std::optional<std::filesystem::path> fromEnvironment(const char* variable, const char* homeRelative)
{
    if (const char* value = std::getenv(variable); value && *value) {
        return std::filesystem::path(value);
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::filesystem::path(home) / homeRelative;
    }
    return std::nullopt;
}

}  // namespace

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
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        return std::string(path);
    }
    std::string expanded(home);
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
