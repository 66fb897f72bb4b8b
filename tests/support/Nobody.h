#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::test {

// The unprivileged account that tests running as root hand files to, or become
// in a death-test child, to see what a user without the rights meets.
inline constexpr uid_t kNobody = 65534;

// Gives up root for "nobody" for good, supplementary groups included. False
// when that fails; meant for a death-test child, which then exits.
inline bool becomeNobody()
{
    return ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
           ::setresuid(kNobody, kNobody, kNobody) == 0;
}

// A fresh folder under the system's temporary folder (the test home is private
// to root) that "nobody" owns with mode 0755, so "nobody" may create and
// replace files in it. Empty when it cannot be made.
inline std::filesystem::path makeFolderOwnedByNobody(std::string_view prefix)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr || ::chown(pattern.c_str(), kNobody, kNobody) != 0 ||
        ::chmod(pattern.c_str(), 0755) != 0) {
        return {};
    }
    return pattern;
}

}  // namespace qm::test
