#pragma once

#include <concepts>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace qm {

// One value kept in the user defaults. The seven kinds stay apart, so a stored
// Boolean reads back as a Boolean and never as the integer 1.
class DefaultsValue {
public:
    enum class Type { Boolean, Integer, Double, String, Data, Array, Dictionary };

    using Data = std::vector<std::uint8_t>;
    using Array = std::vector<DefaultsValue>;
    using Dictionary = std::map<std::string, DefaultsValue>;

    DefaultsValue(bool value) : data_(value) {}
    // An unsigned 64-bit value above the int64 range is kept as a double.
    template <std::integral T>
    requires(!std::same_as<T, bool>) DefaultsValue(T value)
    {
        if (std::is_signed_v<T> ||
            static_cast<std::uint64_t>(value) <= static_cast<std::uint64_t>(INT64_MAX)) {
            data_ = static_cast<std::int64_t>(value);
        } else {
            data_ = static_cast<double>(value);
        }
    }
    template <std::floating_point T> DefaultsValue(T value) : data_(static_cast<double>(value)) {}
    DefaultsValue(const char* value) : data_(std::string(value)) {}
    DefaultsValue(std::string value) : data_(std::move(value)) {}
    DefaultsValue(std::string_view value) : data_(std::string(value)) {}
    DefaultsValue(Data value) : data_(std::move(value)) {}
    DefaultsValue(Array value) : data_(std::move(value)) {}
    DefaultsValue(Dictionary value) : data_(std::move(value)) {}
    // A list of strings is stored as an array of strings.
    DefaultsValue(const std::vector<std::string>& strings);

    Type type() const { return static_cast<Type>(data_.index()); }

    // The value when it is of kind T (bool, std::int64_t, double, std::string,
    // Data, Array or Dictionary), else null. No conversion between kinds.
    template <class T> const T* get() const { return std::get_if<T>(&data_); }

    friend bool operator==(const DefaultsValue& a, const DefaultsValue& b) { return a.data_ == b.data_; }

private:
    // The order of the alternatives follows Type.
    std::variant<bool, std::int64_t, double, std::string, Data, Array, Dictionary> data_;
};

}  // namespace qm
