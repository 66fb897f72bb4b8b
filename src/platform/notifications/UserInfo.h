#pragma once

#include <any>
#include <climits>
#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace qm {

// The typed dictionary a notification carries: plain string keys, each holding
// a Boolean, an integer, a double, a string, a list of strings, a nested
// UserInfo, or an opaque value of any copyable C++ type.
//
// get<T>(key) answers only when the stored value is of T's kind: integers of
// any width read the stored 64-bit integer when it fits; doubles read doubles;
// an opaque value answers only to its exact type. Anything else, like a missing
// key, reads as std::nullopt, so a malformed payload looks like an absent one.
class UserInfo {
public:
    class Value {
    public:
        Value(bool value) : data_(value) {}
        template <std::integral T>
        requires(!std::same_as<T, bool>) Value(T value)
        {
            // Only an unsigned 64-bit value above the int64 range cannot be an
            // integer here; it stays an opaque value of its own type.
            if (std::is_signed_v<T> ||
                static_cast<std::uint64_t>(value) <= static_cast<std::uint64_t>(INT64_MAX)) {
                data_ = static_cast<std::int64_t>(value);
            } else {
                data_ = std::any(value);
            }
        }
        template <std::floating_point T> Value(T value) : data_(static_cast<double>(value)) {}
        Value(const char* value) : data_(std::string(value)) {}
        Value(std::string value) : data_(std::move(value)) {}
        Value(std::string_view value) : data_(std::string(value)) {}
        Value(std::vector<std::string> value) : data_(std::move(value)) {}
        Value(UserInfo value);

        // Wraps any copyable value; it reads back only as exactly its own type.
        template <class T> static Value opaque(T value)
        {
            Value result(false);
            result.data_ = std::any(std::move(value));
            return result;
        }

        template <class T> std::optional<T> as() const;

    private:
        std::variant<bool, std::int64_t, double, std::string, std::vector<std::string>,
                     std::shared_ptr<const UserInfo>, std::any>
            data_;
    };

    UserInfo() = default;
    UserInfo(std::initializer_list<std::pair<const std::string, Value>> entries) : values_(entries) {}

    template <class T> std::optional<T> get(const std::string& key) const
    {
        const auto found = values_.find(key);
        if (found == values_.end()) {
            return std::nullopt;
        }
        return found->second.as<T>();
    }

    void set(const std::string& key, Value value) { values_.insert_or_assign(key, std::move(value)); }
    void remove(const std::string& key) { values_.erase(key); }
    bool contains(const std::string& key) const { return values_.count(key) > 0; }
    bool empty() const { return values_.empty(); }
    std::size_t size() const { return values_.size(); }
    std::vector<std::string> keys() const;

private:
    std::map<std::string, Value> values_;
};

inline UserInfo::Value::Value(UserInfo value) : data_(std::make_shared<const UserInfo>(std::move(value))) {}

template <class T> std::optional<T> UserInfo::Value::as() const
{
    if constexpr (std::is_same_v<T, bool>) {
        if (const auto* value = std::get_if<bool>(&data_)) {
            return *value;
        }
    } else if constexpr (std::is_integral_v<T>) {
        if (const auto* value = std::get_if<std::int64_t>(&data_)) {
            bool fits;
            if constexpr (std::is_signed_v<T>) {
                fits = *value >= static_cast<std::int64_t>(std::numeric_limits<T>::min()) &&
                       *value <= static_cast<std::int64_t>(std::numeric_limits<T>::max());
            } else {
                fits = *value >= 0 && static_cast<std::uint64_t>(*value) <=
                                          static_cast<std::uint64_t>(std::numeric_limits<T>::max());
            }
            if (fits) {
                return static_cast<T>(*value);
            }
            return std::nullopt;
        }
    } else if constexpr (std::is_same_v<T, double>) {
        if (const auto* value = std::get_if<double>(&data_)) {
            return *value;
        }
    } else if constexpr (std::is_same_v<T, std::string>) {
        if (const auto* value = std::get_if<std::string>(&data_)) {
            return *value;
        }
    } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
        if (const auto* value = std::get_if<std::vector<std::string>>(&data_)) {
            return *value;
        }
    } else if constexpr (std::is_same_v<T, UserInfo>) {
        if (const auto* value = std::get_if<std::shared_ptr<const UserInfo>>(&data_)) {
            return **value;
        }
    }
    if (const auto* holder = std::get_if<std::any>(&data_)) {
        if (const auto* value = std::any_cast<T>(holder)) {
            return *value;
        }
    }
    return std::nullopt;
}

}  // namespace qm
