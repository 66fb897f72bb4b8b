#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/accessibility/AXTextRange.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/display/Point.h"
#include "platform/display/Rect.h"
#include "platform/display/Size.h"

namespace qm {

// One value of an Accessibility attribute, typed as the platform types it:
// text, Boolean, number, the geometry and range values, an element, a list of
// elements, or a URL. Reading a value as another type gives nothing, so code
// written as "unless the value is a string" reads naturally.
class AXValue {
public:
    enum class Type { none, string, boolean, number, point, size, rect, range, element, elementArray, url };

    // A URL keeps its absolute text; it is a type of its own so that a URL
    // never reads as a string, as on the platform.
    struct URL {
        std::string absoluteString;
        friend bool operator==(const URL&, const URL&) = default;
    };

    AXValue() = default;

    static AXValue string(std::string utf8) { return AXValue(Data(std::move(utf8))); }
    static AXValue boolean(bool value) { return AXValue(Data(value)); }
    static AXValue number(double value) { return AXValue(Data(value)); }
    static AXValue point(Point value) { return AXValue(Data(value)); }
    static AXValue size(Size value) { return AXValue(Data(value)); }
    static AXValue rect(Rect value) { return AXValue(Data(value)); }
    static AXValue range(AXTextRange value) { return AXValue(Data(value)); }
    static AXValue element(AXUIElement value) { return AXValue(Data(std::move(value))); }
    static AXValue elements(std::vector<AXUIElement> value) { return AXValue(Data(std::move(value))); }
    static AXValue url(std::string absoluteString) { return AXValue(Data(URL{std::move(absoluteString)})); }

    Type type() const { return static_cast<Type>(data_.index()); }
    bool isNone() const { return type() == Type::none; }

    std::optional<std::string> asString() const { return get<std::string>(); }
    std::optional<bool> asBool() const { return get<bool>(); }
    std::optional<double> asNumber() const { return get<double>(); }
    // A number with no fractional part, as counts and line numbers are.
    std::optional<std::int64_t> asInteger() const;
    std::optional<Point> asPoint() const { return get<Point>(); }
    std::optional<Size> asSize() const { return get<Size>(); }
    std::optional<Rect> asRect() const { return get<Rect>(); }
    std::optional<AXTextRange> asRange() const { return get<AXTextRange>(); }
    std::optional<AXUIElement> asElement() const { return get<AXUIElement>(); }
    std::optional<std::vector<AXUIElement>> asElements() const { return get<std::vector<AXUIElement>>(); }
    std::optional<std::string> asURL() const;

    friend bool operator==(const AXValue&, const AXValue&) = default;

private:
    // The order follows Type.
    using Data = std::variant<std::monostate, std::string, bool, double, Point, Size, Rect, AXTextRange,
                              AXUIElement, std::vector<AXUIElement>, URL>;

    explicit AXValue(Data data) : data_(std::move(data)) {}

    template <class T> std::optional<T> get() const
    {
        if (const auto* value = std::get_if<T>(&data_)) {
            return *value;
        }
        return std::nullopt;
    }

    Data data_;
};

inline std::optional<std::int64_t> AXValue::asInteger() const
{
    const auto value = asNumber();
    if (!value || *value != static_cast<double>(static_cast<std::int64_t>(*value))) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*value);
}

inline std::optional<std::string> AXValue::asURL() const
{
    if (const auto* value = std::get_if<URL>(&data_)) {
        return value->absoluteString;
    }
    return std::nullopt;
}

}  // namespace qm
