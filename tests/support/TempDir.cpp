#include "support/TempDir.h"

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace qm::test {

namespace {
std::filesystem::path makeUnique(const std::filesystem::path& parent, const std::string& prefix)
{
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed under " + parent.string());
    }
    return pattern;
}
}  // namespace

const std::filesystem::path& testHome()
{
    static const std::filesystem::path home =
        makeUnique(std::filesystem::temp_directory_path(), "qm-test-home-");
    return home;
}

TempDir::TempDir() : path_(makeUnique(testHome(), "tmp-")) {}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace qm::test
