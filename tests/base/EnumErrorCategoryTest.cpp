#include "base/EnumErrorCategory.h"

#include <system_error>
#include <type_traits>
#include <utility>

#include <gtest/gtest.h>

#include "base/AesGcmError.h"

namespace qm {

// In qm itself, not an unnamed namespace: make_error_code is found by the enum's namespace.
enum class ProbeError { first = 1, second = 2 };

template <> struct ErrorCases<ProbeError> {
    static constexpr const char* name = "Probe";
    static constexpr std::pair<ProbeError, const char*> messages[] = {
        {ProbeError::first, "The first went wrong"},
        {ProbeError::second, "The second went wrong"},
    };
};

}  // namespace qm

template <> struct std::is_error_code_enum<qm::ProbeError> : std::true_type {
};

namespace qm {
namespace {

TEST(EnumErrorCategoryTest, AnEnumBecomesACodeOfItsOwnCategory)
{
    const std::error_code second = ProbeError::second;
    EXPECT_EQ(second.value(), 2);
    EXPECT_STREQ(second.category().name(), "Probe");
    EXPECT_EQ(second.message(), "The second went wrong");
    EXPECT_EQ(second, ProbeError::second);
    EXPECT_NE(second, ProbeError::first);
    EXPECT_EQ(&second.category(), &errorCategory<ProbeError>());

    // The same number in another enum is another error.
    const std::error_code cipher = AesGcmError::incorrectParameterSize;
    EXPECT_EQ(cipher.value(), 2);
    EXPECT_NE(second, cipher);
    EXPECT_EQ(cipher.message(), "incorrectParameterSize");
}

TEST(EnumErrorCategoryTest, ANumberThatNamesNoCaseIsToldAsItIs)
{
    EXPECT_EQ(errorCategory<ProbeError>().message(7), "Probe 7");
    EXPECT_EQ(errorCategory<ProbeError>().message(0), "Probe 0");
}

}  // namespace
}  // namespace qm
