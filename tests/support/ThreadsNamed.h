#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace qm::test {

// How many threads of a process carry `name` (as /proc shows them); `process`
// is a process id, or "self" for this one.
inline std::size_t threadsNamed(std::string_view name, const std::string& process = "self")
{
    std::size_t count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + process + "/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string line;
        if (std::getline(comm, line) && line == name) {
            ++count;
        }
    }
    return count;
}

}  // namespace qm::test
