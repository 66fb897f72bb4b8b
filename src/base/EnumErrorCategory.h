#pragma once

#include <string>
#include <system_error>
#include <type_traits>
#include <utility>

namespace qm {

// What an error enum tells its std::error_category: the category's name and
// the message of each case. An enum becomes an error code by specialising
// this beside its declaration, together with std::is_error_code_enum:
//
//     template <> struct ErrorCases<MyError> {
//         static constexpr const char* name = "MyError";
//         static constexpr std::pair<MyError, const char*> messages[] = {{MyError::broken, "Broken"}};
//     };
template <class Enum> struct ErrorCases;

template <class Enum>
concept ErrorEnum = std::is_enum_v<Enum> && requires
{
    ErrorCases<Enum>::messages;
};

// The one category of `Enum`. A value that names no case is told as the
// category's name and the number.
template <ErrorEnum Enum> class EnumErrorCategory final : public std::error_category {
public:
    static const EnumErrorCategory& instance()
    {
        static const EnumErrorCategory category;
        return category;
    }

    const char* name() const noexcept override { return ErrorCases<Enum>::name; }

    std::string message(int value) const override
    {
        for (const auto& [error, message] : ErrorCases<Enum>::messages) {
            if (static_cast<int>(error) == value) {
                return message;
            }
        }
        return std::string(name()) + " " + std::to_string(value);
    }

private:
    EnumErrorCategory() = default;
};

template <ErrorEnum Enum> const std::error_category& errorCategory()
{
    return EnumErrorCategory<Enum>::instance();
}

// Found by argument-dependent lookup when a std::error_code is made from one of our enums.
template <ErrorEnum Enum> std::error_code make_error_code(Enum error)
{
    return {static_cast<int>(error), errorCategory<Enum>()};
}

}  // namespace qm
