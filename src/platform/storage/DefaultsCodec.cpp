#include "platform/storage/DefaultsCodec.h"

#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "base/Base64.h"
#include "base/Json.h"

namespace qm {

namespace {

using Json = nlohmann::json;

constexpr const char* kTag = "$type";

Json tagged(const char* type, Json value)
{
    Json object = Json::object();
    object[kTag] = type;
    object["value"] = std::move(value);
    return object;
}

Json encodeValue(const DefaultsValue& value);

Json encodeDictionary(const DefaultsValue::Dictionary& dictionary)
{
    Json object = Json::object();
    for (const auto& [key, member] : dictionary) {
        object[key] = encodeValue(member);
    }
    return object;
}

Json encodeValue(const DefaultsValue& value)
{
    switch (value.type()) {
    case DefaultsValue::Type::Boolean:
        return *value.get<bool>();
    case DefaultsValue::Type::Integer:
        return *value.get<std::int64_t>();
    case DefaultsValue::Type::Double: {
        const double number = *value.get<double>();
        if (std::isnan(number)) {
            return tagged("double", "nan");
        }
        if (std::isinf(number)) {
            return tagged("double", number > 0 ? "inf" : "-inf");
        }
        return number;
    }
    case DefaultsValue::Type::String:
        return *value.get<std::string>();
    case DefaultsValue::Type::Data: {
        const auto& bytes = *value.get<DefaultsValue::Data>();
        return tagged("data", Base64::encode(std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                              bytes.size())));
    }
    case DefaultsValue::Type::Array: {
        Json array = Json::array();
        for (const auto& element : *value.get<DefaultsValue::Array>()) {
            array.push_back(encodeValue(element));
        }
        return array;
    }
    case DefaultsValue::Type::Dictionary: {
        const auto& dictionary = *value.get<DefaultsValue::Dictionary>();
        Json object = encodeDictionary(dictionary);
        // A plain object with a "$type" key would read back as a tag.
        return dictionary.count(kTag) ? tagged("dictionary", std::move(object)) : object;
    }
    }
    return nullptr;
}

std::optional<DefaultsValue> decodeValue(const Json& value, std::string& error);

std::optional<DefaultsValue::Dictionary> decodeDictionary(const Json& object, std::string& error)
{
    DefaultsValue::Dictionary dictionary;
    for (const auto& [key, member] : object.items()) {
        auto decoded = decodeValue(member, error);
        if (!decoded) {
            error = "\"" + key + "\": " + error;
            return std::nullopt;
        }
        dictionary.emplace(key, std::move(*decoded));
    }
    return dictionary;
}

std::optional<DefaultsValue> decodeTagged(const Json& object, std::string& error)
{
    const auto type = qm::json::stringAt(object, kTag);
    const auto found = object.find("value");
    if (!type || found == object.end() || object.size() != 2) {
        error = "malformed \"$type\" object";
        return std::nullopt;
    }
    const Json& payload = *found;
    if (*type == "data" && payload.is_string()) {
        if (auto bytes = Base64::decode(payload.get<std::string>())) {
            return DefaultsValue(DefaultsValue::Data(bytes->begin(), bytes->end()));
        }
        error = "data that is not Base64";
        return std::nullopt;
    }
    if (*type == "double" && payload.is_string()) {
        const auto& text = payload.get_ref<const std::string&>();
        if (text == "nan") {
            return DefaultsValue(std::numeric_limits<double>::quiet_NaN());
        }
        if (text == "inf" || text == "-inf") {
            const double infinity = std::numeric_limits<double>::infinity();
            return DefaultsValue(text == "inf" ? infinity : -infinity);
        }
    }
    if (*type == "dictionary" && payload.is_object()) {
        if (auto dictionary = decodeDictionary(payload, error)) {
            return DefaultsValue(std::move(*dictionary));
        }
        return std::nullopt;
    }
    error = "unknown \"$type\" object";
    return std::nullopt;
}

std::optional<DefaultsValue> decodeValue(const Json& value, std::string& error)
{
    switch (value.type()) {
    case Json::value_t::boolean:
        return DefaultsValue(value.get<bool>());
    case Json::value_t::number_integer:
        return DefaultsValue(value.get<std::int64_t>());
    case Json::value_t::number_unsigned: {
        // Beyond int64 only when written by hand; kept as the nearest double.
        return DefaultsValue(value.get<std::uint64_t>());
    }
    case Json::value_t::number_float:
        return DefaultsValue(value.get<double>());
    case Json::value_t::string:
        return DefaultsValue(value.get<std::string>());
    case Json::value_t::array: {
        DefaultsValue::Array array;
        array.reserve(value.size());
        for (const auto& element : value) {
            auto decoded = decodeValue(element, error);
            if (!decoded) {
                return std::nullopt;
            }
            array.push_back(std::move(*decoded));
        }
        return DefaultsValue(std::move(array));
    }
    case Json::value_t::object: {
        if (value.contains(kTag)) {
            return decodeTagged(value, error);
        }
        if (auto dictionary = decodeDictionary(value, error)) {
            return DefaultsValue(std::move(*dictionary));
        }
        return std::nullopt;
    }
    default:
        error = std::string("unsupported value ") + value.type_name();
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::string> DefaultsCodec::encode(const DefaultsValue::Dictionary& values, std::string& error)
{
    try {
        return encodeDictionary(values).dump(2) + "\n";
    } catch (const Json::exception& failure) {
        error = failure.what();
        return std::nullopt;
    }
}

std::optional<DefaultsValue::Dictionary> DefaultsCodec::decode(std::string_view text, std::string& error)
{
    const auto document = qm::json::parse(text);
    if (!document) {
        error = "not valid JSON";
        return std::nullopt;
    }
    if (!document->is_object()) {
        error = "the top level is not an object";
        return std::nullopt;
    }
    return decodeDictionary(*document, error);
}

}  // namespace qm
