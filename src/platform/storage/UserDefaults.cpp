#include "platform/storage/UserDefaults.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include <fmt/format.h>

#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/storage/DefaultsCodec.h"

namespace qm {

namespace {

constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

std::string_view trimSpaces(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string asciiLower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

// A whole-string integer or decimal number, as its most exact kind.
std::optional<DefaultsValue> parseNumber(std::string_view text)
{
    text = trimSpaces(text);
    if (text.empty()) {
        return std::nullopt;
    }
    if (text.front() == '+') {
        text.remove_prefix(1);
    }
    const char* end = text.data() + text.size();
    std::int64_t integer = 0;
    if (auto [ptr, ec] = std::from_chars(text.data(), end, integer); ec == std::errc() && ptr == end) {
        return DefaultsValue(integer);
    }
    double number = 0;
    if (auto [ptr, ec] = std::from_chars(text.data(), end, number); ec == std::errc() && ptr == end) {
        return DefaultsValue(number);
    }
    return std::nullopt;
}

std::int64_t truncated(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (value >= limit) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (value < -limit) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(value);
}

// The numeric reading of a value for the integer and double getters.
std::optional<DefaultsValue> numeric(const DefaultsValue& value)
{
    if (const auto* flag = value.get<bool>()) {
        return DefaultsValue(std::int64_t{*flag ? 1 : 0});
    }
    if (value.get<std::int64_t>() || value.get<double>()) {
        return value;
    }
    if (const auto* text = value.get<std::string>()) {
        return parseNumber(*text);
    }
    return std::nullopt;
}

}  // namespace

UserDefaults::UserDefaults(std::filesystem::path file, NotificationCenter* center)
    : file_(std::move(file)), center_(center)
{
    if (file_.empty()) {
        persisting_ = false;
    } else {
        load();
        saveQueue_ = std::make_unique<SerialQueue>("com.quillmarker.app.userDefaults");
    }
}

UserDefaults::~UserDefaults()
{
    // Runs the pending save, if any, before the values go away.
    saveQueue_.reset();
}

void UserDefaults::synchronize()
{
    if (saveQueue_) {
        saveQueue_->sync([] {});
    }
}

std::optional<std::filesystem::path> UserDefaults::standardFilePath()
{
    auto config = paths::configHome();
    if (!config) {
        return std::nullopt;
    }
    return *config / paths::kBundleIdentifier / "defaults.json";
}

void UserDefaults::load()
{
    std::error_code error;
    const auto text = file::readAll(file_, error);
    if (!text) {
        if (error != std::errc::no_such_file_or_directory) {
            Log::log(fmt::format("❌ UserDefaults: could not read {} ({}); changes stay in memory",
                                 file_.string(), error.message()));
            persisting_ = false;
        }
        return;
    }
    std::string reason;
    auto values = DefaultsCodec::decode(*text, reason);
    if (!values) {
        moveAside(reason);
        return;
    }
    values_ = std::move(*values);
}

void UserDefaults::moveAside(const std::string& reason)
{
    std::error_code error;
    const auto aside = file::moveAside(file_, error);
    if (!aside) {
        Log::log(fmt::format("❌ UserDefaults: {} is unreadable ({}) and could not be moved aside ({}); "
                             "changes stay in memory",
                             file_.string(), reason, error.message()));
        persisting_ = false;
        return;
    }
    Log::log(fmt::format("❌ UserDefaults: {} is unreadable ({}); moved it to {} and started empty",
                         file_.string(), reason, aside->string()));
}

bool UserDefaults::isPersisting() const
{
    std::lock_guard lock(mutex_);
    return persisting_;
}

std::optional<DefaultsValue> UserDefaults::objectForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    if (auto stored = values_.find(key); stored != values_.end()) {
        return stored->second;
    }
    if (auto registered = registered_.find(key); registered != registered_.end()) {
        return registered->second;
    }
    return std::nullopt;
}

bool UserDefaults::boolForKey(const std::string& key) const
{
    const auto value = objectForKey(key);
    if (!value) {
        return false;
    }
    if (const auto* flag = value->get<bool>()) {
        return *flag;
    }
    if (const auto* text = value->get<std::string>()) {
        const std::string word = asciiLower(trimSpaces(*text));
        if (word == "true" || word == "yes") {
            return true;
        }
        if (word == "false" || word == "no") {
            return false;
        }
    }
    const auto number = numeric(*value);
    if (!number) {
        return false;
    }
    if (const auto* integer = number->get<std::int64_t>()) {
        return *integer != 0;
    }
    return *number->get<double>() != 0;
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const
{
    const auto value = objectForKey(key);
    const auto number = value ? numeric(*value) : std::nullopt;
    if (!number) {
        return 0;
    }
    if (const auto* integer = number->get<std::int64_t>()) {
        return *integer;
    }
    return truncated(*number->get<double>());
}

double UserDefaults::doubleForKey(const std::string& key) const
{
    const auto value = objectForKey(key);
    const auto number = value ? numeric(*value) : std::nullopt;
    if (!number) {
        return 0;
    }
    if (const auto* integer = number->get<std::int64_t>()) {
        return static_cast<double>(*integer);
    }
    return *number->get<double>();
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const
{
    const auto value = objectForKey(key);
    if (const auto* text = value ? value->get<std::string>() : nullptr) {
        return *text;
    }
    return std::nullopt;
}

std::optional<DefaultsValue::Data> UserDefaults::dataForKey(const std::string& key) const
{
    const auto value = objectForKey(key);
    if (const auto* bytes = value ? value->get<DefaultsValue::Data>() : nullptr) {
        return *bytes;
    }
    return std::nullopt;
}

std::optional<DefaultsValue::Array> UserDefaults::arrayForKey(const std::string& key) const
{
    const auto value = objectForKey(key);
    if (const auto* array = value ? value->get<DefaultsValue::Array>() : nullptr) {
        return *array;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> UserDefaults::stringArrayForKey(const std::string& key) const
{
    const auto array = arrayForKey(key);
    if (!array) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.reserve(array->size());
    for (const auto& element : *array) {
        const auto* text = element.get<std::string>();
        if (!text) {
            return std::nullopt;
        }
        strings.push_back(*text);
    }
    return strings;
}

std::optional<DefaultsValue::Dictionary> UserDefaults::dictionaryForKey(const std::string& key) const
{
    const auto value = objectForKey(key);
    if (const auto* dictionary = value ? value->get<DefaultsValue::Dictionary>() : nullptr) {
        return *dictionary;
    }
    return std::nullopt;
}

void UserDefaults::set(const std::string& key, DefaultsValue value)
{
    bool valueChanged = false;
    {
        std::lock_guard lock(mutex_);
        auto found = values_.find(key);
        if (found == values_.end()) {
            values_.emplace(key, std::move(value));
            valueChanged = true;
        } else if (!(found->second == value)) {
            found->second = std::move(value);
            valueChanged = true;
        }
    }
    changed(valueChanged);
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    bool valueChanged = false;
    {
        std::lock_guard lock(mutex_);
        valueChanged = values_.erase(key) > 0;
    }
    changed(valueChanged);
}

void UserDefaults::registerDefaults(const DefaultsValue::Dictionary& defaults)
{
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : defaults) {
        registered_.insert_or_assign(key, value);
    }
}

void UserDefaults::changed(bool valueChanged)
{
    if (!valueChanged) {
        return;
    }
    scheduleSave();
    if (center_) {
        center_->post(kDidChangeNotification, this);
    }
}

void UserDefaults::scheduleSave()
{
    {
        std::lock_guard lock(mutex_);
        if (!persisting_ || saveScheduled_) {
            return;  // the save already queued will pick this change up
        }
        saveScheduled_ = true;
    }
    saveQueue_->async([this] { save(); });
}

void UserDefaults::save()
{
    DefaultsValue::Dictionary snapshot;
    {
        std::lock_guard lock(mutex_);
        saveScheduled_ = false;
        snapshot = values_;
    }
    std::string reason;
    const auto text = DefaultsCodec::encode(snapshot, reason);
    if (!text) {
        Log::log(fmt::format("❌ UserDefaults: could not save {} ({}); the file keeps its last saved values",
                             file_.string(), reason));
        return;
    }
    std::error_code error = file::createDirectories(file_.parent_path(), kFolderMode);
    if (!error) {
        error = file::writeAtomically(file_, *text, kFileMode);
    }
    if (error) {
        Log::log(fmt::format("❌ UserDefaults: could not save {} ({})", file_.string(), error.message()));
    }
}

}  // namespace qm
