#include "platform/linux/notifications/NotificationScheduleFile.h"

#include <cstdint>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "base/FileUtil.h"
#include "base/Json.h"
#include "base/Log.h"

namespace qm {

namespace {

using Json = nlohmann::json;

constexpr int kVersion = 1;
// userInfo nests; a hand-edited file must not recurse without end.
constexpr int kMaxUserInfoDepth = 32;

Json userInfoToJson(const UserInfo& info, int depth = 0)
{
    Json object = Json::object();
    for (const auto& key : info.keys()) {
        if (auto value = info.get<bool>(key)) {
            object[key] = *value;
        } else if (auto value = info.get<std::int64_t>(key)) {
            object[key] = *value;
        } else if (auto value = info.get<double>(key)) {
            object[key] = *value;
        } else if (auto value = info.get<std::string>(key)) {
            object[key] = *value;
        } else if (auto value = info.get<std::vector<std::string>>(key)) {
            object[key] = *value;
        } else if (auto value = info.get<UserInfo>(key); value && depth < kMaxUserInfoDepth) {
            object[key] = userInfoToJson(*value, depth + 1);
        } else {
            Log::print(fmt::format(
                "⚠️ NotificationSchedule: userInfo value \"{}\" cannot be saved; left out", key));
        }
    }
    return object;
}

// Unusable values are left out: the userInfo reads them as absent anyway.
UserInfo userInfoFromJson(const Json& object, int depth = 0)
{
    UserInfo info;
    if (!object.is_object() || depth > kMaxUserInfoDepth) {
        return info;
    }
    for (const auto& [key, value] : object.items()) {
        if (value.is_boolean()) {
            info.set(key, value.get<bool>());
        } else if (value.is_number_unsigned()) {
            const auto number = value.get<std::uint64_t>();
            if (number <= static_cast<std::uint64_t>(INT64_MAX)) {
                info.set(key, static_cast<std::int64_t>(number));
            }
        } else if (value.is_number_integer()) {
            info.set(key, value.get<std::int64_t>());
        } else if (value.is_number_float()) {
            info.set(key, value.get<double>());
        } else if (value.is_string()) {
            info.set(key, value.get<std::string>());
        } else if (value.is_array()) {
            std::vector<std::string> strings;
            bool allStrings = true;
            for (const auto& item : value) {
                allStrings = allStrings && item.is_string();
                if (allStrings) {
                    strings.push_back(item.get<std::string>());
                }
            }
            if (allStrings) {
                info.set(key, std::move(strings));
            }
        } else if (value.is_object()) {
            info.set(key, userInfoFromJson(value, depth + 1));
        }
    }
    return info;
}

Json triggerToJson(const NotificationTrigger& trigger)
{
    Json object = Json::object();
    object["repeats"] = trigger.repeats();
    if (trigger.registeredAt()) {
        object["registeredAt"] = *trigger.registeredAt();
    }
    if (trigger.kind() == NotificationTrigger::Kind::timeInterval) {
        object["kind"] = "timeInterval";
        object["interval"] = trigger.timeInterval();
        return object;
    }
    object["kind"] = "calendar";
    const auto& match = trigger.dateComponents();
    Json components = Json::object();
    const std::pair<const char*, const std::optional<int>*> fields[] = {
        {"year", &match.year}, {"month", &match.month},   {"day", &match.day},
        {"hour", &match.hour}, {"minute", &match.minute}, {"second", &match.second},
    };
    for (const auto& [name, field] : fields) {
        if (*field) {
            components[name] = **field;
        }
    }
    if (match.timeZoneId) {
        components["timeZone"] = *match.timeZoneId;
    }
    object["match"] = components;
    return object;
}

std::optional<int> componentAt(const Json& object, std::string_view key, bool& valid)
{
    if (!object.contains(key)) {
        return std::nullopt;
    }
    const auto value = json::integerAt(object, key);
    if (!value || *value < INT32_MIN || *value > INT32_MAX) {
        valid = false;
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

// Throws std::invalid_argument for a trigger the platform would refuse.
NotificationTrigger triggerFromJson(const Json& object)
{
    const auto kind = json::stringAt(object, "kind");
    const auto repeats = json::boolAt(object, "repeats");
    if (!kind || !repeats) {
        throw std::invalid_argument("trigger without kind or repeats");
    }
    std::optional<NotificationTrigger> trigger;
    if (*kind == "timeInterval") {
        const auto interval = json::numberAt(object, "interval");
        if (!interval) {
            throw std::invalid_argument("time-interval trigger without interval");
        }
        trigger = NotificationTrigger::timeInterval(*interval, *repeats);
    } else if (*kind == "calendar") {
        const Json* components = json::objectAt(object, "match");
        if (!components) {
            throw std::invalid_argument("calendar trigger without match");
        }
        bool valid = true;
        NotificationTrigger::DateMatch match;
        match.year = componentAt(*components, "year", valid);
        match.month = componentAt(*components, "month", valid);
        match.day = componentAt(*components, "day", valid);
        match.hour = componentAt(*components, "hour", valid);
        match.minute = componentAt(*components, "minute", valid);
        match.second = componentAt(*components, "second", valid);
        if (components->contains("timeZone")) {
            match.timeZoneId = json::stringAt(*components, "timeZone");
            valid = valid && match.timeZoneId.has_value();
        }
        if (!valid) {
            throw std::invalid_argument("calendar trigger with a malformed component");
        }
        trigger = NotificationTrigger::calendar(std::move(match), *repeats);
    } else {
        throw std::invalid_argument("unknown trigger kind");
    }
    if (object.contains("registeredAt")) {
        const auto registeredAt = json::numberAt(object, "registeredAt");
        if (!registeredAt) {
            throw std::invalid_argument("malformed registration time");
        }
        trigger->setRegisteredAt(*registeredAt);
    }
    return *trigger;
}

Json entryToJson(const NotificationScheduleFile::Entry& entry)
{
    const auto& request = entry.request;
    Json object = Json::object();
    object["identifier"] = request.identifier;
    object["title"] = request.content.title;
    object["body"] = request.content.body;
    if (request.content.sound) {
        object["sound"] = *request.content.sound;
    }
    object["categoryIdentifier"] = request.content.categoryIdentifier;
    object["userInfo"] = userInfoToJson(request.content.userInfo);
    if (request.trigger) {
        object["trigger"] = triggerToJson(*request.trigger);
    }
    if (entry.fireAt) {
        object["fireAt"] = *entry.fireAt;
    }
    return object;
}

std::optional<NotificationScheduleFile::Entry> entryFromJson(const Json& object)
{
    const auto identifier = json::stringAt(object, "identifier");
    const Json* trigger = json::objectAt(object, "trigger");
    if (!identifier || identifier->empty() || !trigger) {
        return std::nullopt;
    }
    NotificationScheduleFile::Entry entry;
    entry.request.identifier = *identifier;
    auto& content = entry.request.content;
    content.title = json::stringAt(object, "title").value_or("");
    content.body = json::stringAt(object, "body").value_or("");
    content.sound = json::stringAt(object, "sound");
    content.categoryIdentifier = json::stringAt(object, "categoryIdentifier").value_or("");
    if (const Json* userInfo = json::objectAt(object, "userInfo")) {
        content.userInfo = userInfoFromJson(*userInfo);
    }
    try {
        entry.request.trigger = triggerFromJson(*trigger);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
    if (object.contains("fireAt")) {
        entry.fireAt = json::numberAt(object, "fireAt");
        if (!entry.fireAt) {
            return std::nullopt;
        }
    }
    return entry;
}

void moveAside(const std::filesystem::path& file, std::string_view why)
{
    std::error_code error;
    if (const auto aside = file::moveAside(file, error)) {
        Log::print(fmt::format("❌ NotificationSchedule: {}; moved it to {}", why, aside->string()));
    } else {
        Log::print(
            fmt::format("❌ NotificationSchedule: {}; could not move it aside: {}", why, error.message()));
    }
}

}  // namespace

std::vector<NotificationScheduleFile::Entry> NotificationScheduleFile::load(const std::filesystem::path& file)
{
    std::error_code error;
    const auto text = file::readRegularFile(file, error);
    if (!text) {
        if (error != std::errc::no_such_file_or_directory) {
            moveAside(file, fmt::format("cannot read the schedule ({})", error.message()));
        }
        return {};
    }
    std::string parseError;
    const auto document = json::parse(*text, json::kMaxDepth, &parseError);
    const Json* requests = document ? json::arrayAt(*document, "requests") : nullptr;
    const auto version = document ? json::integerAt(*document, "version") : std::nullopt;
    if (!requests || version != kVersion) {
        moveAside(file, document ? std::string("the schedule is not in a known format")
                                 : fmt::format("the schedule is not valid JSON ({})", parseError));
        return {};
    }
    std::vector<Entry> entries;
    bool skipped = false;
    for (const auto& item : *requests) {
        auto entry = item.is_object() ? entryFromJson(item) : std::nullopt;
        if (entry) {
            std::erase_if(entries, [&](const Entry& old) {
                return old.request.identifier == entry->request.identifier;
            });
            entries.push_back(std::move(*entry));
        } else {
            skipped = true;
        }
    }
    if (skipped) {
        moveAside(file, "the schedule holds requests that cannot be read");
        if (const auto saved = save(file, entries)) {
            Log::print(fmt::format("❌ NotificationSchedule: cannot write the readable requests back: {}",
                                   saved.message()));
        }
    }
    return entries;
}

std::error_code NotificationScheduleFile::save(const std::filesystem::path& file,
                                               const std::vector<Entry>& entries)
{
    Json requests = Json::array();
    for (const auto& entry : entries) {
        requests.push_back(entryToJson(entry));
    }
    const Json document = {{"version", kVersion}, {"requests", std::move(requests)}};
    if (auto error = file::createDirectories(file.parent_path(), 0700)) {
        return error;
    }
    return file::writeAtomically(file, json::serialize(document), 0600);
}

}  // namespace qm
