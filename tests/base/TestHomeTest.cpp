#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace qm::test {
namespace {

// A death-test child in the "threadsafe" style is this program started again
// from the top, and it exits without tearing anything down. It must work in
// its parent's home, which the parent removes, rather than leave a home of its
// own behind in the system's temporary folder.
TEST(TestHomeDeathTest, ADeathTestChildWorksInItsParentsHome)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr const char* kParentHome = "QM_TEST_PARENT_HOME";
    // Set in the parent only: the child inherits it and finds it set.
    const bool parent = std::getenv(kParentHome) == nullptr;
    if (parent) {
        ASSERT_EQ(::setenv(kParentHome, testHome().c_str(), 1), 0);
        EXPECT_TRUE(ownsTestHome());
    }
    EXPECT_EXIT(std::_Exit(!ownsTestHome() && testHome() == std::getenv(kParentHome) ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
    if (parent) {
        ::unsetenv(kParentHome);
    }
}

}  // namespace
}  // namespace qm::test
