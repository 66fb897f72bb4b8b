#pragma once

#include <filesystem>

namespace qm::test {

// A fresh folder under the test process's private home, removed on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& child) const { return path_ / child; }

private:
    std::filesystem::path path_;
};

// The folder that HOME and the XDG variables point into for this test process.
// A process this one starts (a death-test child) works in the same folder.
const std::filesystem::path& testHome();
// Whether this process made testHome() (and so removes it at the end), rather
// than taking it over from the process that started it.
bool ownsTestHome();

}  // namespace qm::test
