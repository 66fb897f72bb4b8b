#include "base/Paths.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

namespace fs = std::filesystem;

// Sets or removes environment variables for the life of the object and puts
// the old values back. No other thread of the test process reads them meanwhile.
class ScopedEnvironment {
public:
    ScopedEnvironment& set(const char* name, std::optional<std::string> value)
    {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
        return *this;
    }

    ~ScopedEnvironment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                unsetenv(it->first.c_str());
            }
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The account database's answer, asked once on the test's own thread.
fs::path accountHome()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? fs::path(entry->pw_dir) : fs::path();
}

TEST(PathsTest, HomeIsTheEnvironmentsWhenSetElseTheAccountsHome)
{
    {
        ScopedEnvironment environment;
        environment.set("HOME", "/somewhere/else");
        EXPECT_EQ(paths::homeFolder(), "/somewhere/else");
    }
    for (const std::optional<std::string>& unusable :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        ScopedEnvironment environment;
        environment.set("HOME", unusable);
        EXPECT_EQ(paths::homeFolder(), accountHome());
        EXPECT_FALSE(paths::homeFolder().empty()) << "this account has a home folder";
    }
}

TEST(PathsTest, FoldersFallBackToTheAccountsHomeWithoutHome)
{
    ScopedEnvironment environment;
    environment.set("HOME", std::nullopt)
        .set("XDG_DATA_HOME", std::nullopt)
        .set("XDG_CONFIG_HOME", std::nullopt)
        .set("XDG_DOCUMENTS_DIR", std::nullopt);
    const fs::path home = accountHome();
    EXPECT_EQ(paths::applicationSupport(), home / ".local/share");
    EXPECT_EQ(paths::configHome(), home / ".config");
    EXPECT_EQ(paths::documents(), home / "Documents");
    EXPECT_EQ(paths::appDataFolder(), home / ".local/share" / "com.quillmarker.app");

    environment.set("XDG_DATA_HOME", "/data");
    EXPECT_EQ(paths::applicationSupport(), fs::path("/data"));
}

// Background queues resolve the home folder too; each gets the same answer
// and none races another for a shared account-database buffer.
TEST(PathsTest, ManyThreadsGetTheSameHomeWithoutHome)
{
    ScopedEnvironment environment;
    environment.set("HOME", std::nullopt);
    const fs::path expected = accountHome();

    constexpr int kThreads = 8;
    std::vector<fs::path> seen(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&seen, i] {
            for (int round = 0; round < 100; ++round) {
                seen[static_cast<std::size_t>(i)] = paths::homeFolder();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& home : seen) {
        EXPECT_EQ(home, expected);
    }
}

}  // namespace
}  // namespace qm
