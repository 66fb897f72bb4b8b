#include "support/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace qm::test {

namespace {

// The home a test process made, handed down to the processes it starts.
constexpr const char* kHomeVariable = "QM_TEST_HOME";

struct Home {
    std::filesystem::path path;
    bool owned = false;
};

std::filesystem::path makeUnique(const std::filesystem::path& parent, const std::string& prefix)
{
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed under " + parent.string());
    }
    return pattern;
}

// A death-test child in the "threadsafe" style is this program started again,
// and it exits without tearing anything down: it works in its parent's home
// (which the parent removes) instead of making one that nobody would remove.
const Home& home()
{
    static const Home shared = [] {
        std::error_code error;
        if (const char* inherited = std::getenv(kHomeVariable);
            inherited && *inherited && std::filesystem::is_directory(inherited, error)) {
            return Home{inherited, false};
        }
        Home made{makeUnique(std::filesystem::temp_directory_path(), "qm-test-home-"), true};
        if (::setenv(kHomeVariable, made.path.c_str(), 1) != 0) {
            throw std::runtime_error(std::string("setenv failed for ") + kHomeVariable);
        }
        return made;
    }();
    return shared;
}

}  // namespace

const std::filesystem::path& testHome()
{
    return home().path;
}

bool ownsTestHome()
{
    return home().owned;
}

TempDir::TempDir() : path_(makeUnique(testHome(), "tmp-")) {}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace qm::test
