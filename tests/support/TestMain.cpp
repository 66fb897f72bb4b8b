#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

// Points HOME and the XDG folders at a private temporary home, so that nothing a
// test does can touch the real user's files, and removes it afterwards.
class PrivateHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        const auto& home = qm::test::testHome();
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home / ".cache").c_str(), 1);
        setenv("XDG_STATE_HOME", (home / ".local/state").c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", (home / "Documents").c_str(), 1);
        setenv("XDG_DOWNLOAD_DIR", (home / "Downloads").c_str(), 1);
        // Qt wants a private runtime folder of its own.
        const auto runtime = home / "runtime";
        std::filesystem::create_directories(runtime);
        chmod(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("TZ", "UTC", 0);
        unsetenv("QM_TEST_MODE");
    }

    void TearDown() override
    {
        if (qm::test::ownsTestHome()) {
            std::error_code ignored;
            std::filesystem::remove_all(qm::test::testHome(), ignored);
        }
    }
};

}  // namespace

// Fontconfig keeps a cache for the life of the process that the leak checker
// of the sanitizer builds would report as soon as a widget test draws text.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Widget tests run without a display, whatever the environment says.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::AddGlobalTestEnvironment(new PrivateHome);
    umask(022);
    return RUN_ALL_TESTS();
}
