#include "platform/linux/eventstore/VdirEventStoreBackend.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "base/Calendar.h"
#include "base/FileUtil.h"
#include "base/Json.h"
#include "base/Log.h"
#include "base/Text.h"
#include "base/Uuid.h"
#include "platform/linux/eventstore/ICalendarReader.h"
#include "platform/linux/eventstore/ICalendarWriter.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;

const char* kindFolder(EventStoreEntityType type)
{
    return type == EventStoreEntityType::event ? "calendars" : "reminders";
}

const char* defaultTitle(EventStoreEntityType type)
{
    return type == EventStoreEntityType::event ? "Calendar" : "Reminders";
}

const char* accessKey(EventStoreEntityType type)
{
    return type == EventStoreEntityType::event ? "event" : "reminder";
}

PlatformError storeError(long code, std::string description)
{
    return PlatformError(std::string(EventStore::errorDomain), code, std::move(description));
}

// A collection's folder name as it may appear in an identifier: one plain path component.
bool isPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// Item files are named after their UID where it is a safe file name.
bool isSafeFileStem(const std::string& uid)
{
    return !uid.empty() && uid.size() <= 200 && std::all_of(uid.begin(), uid.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '@';
    }) && uid.front() != '.';
}

std::string currentZone()
{
    return Calendar::current().timeZoneId();
}

// The ".ics" files of one collection folder; a folder that cannot be listed is logged and skipped.
std::vector<fs::path> itemFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        Log::print(fmt::format("❌ VdirEventStore: cannot read the collection {}: {}", folder.string(),
                               error.message()));
        return files;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        if (it->path().extension() == ".ics") {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> collectionNames(const fs::path& kindFolderPath)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(kindFolderPath, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        if (it->is_directory(error)) {
            names.push_back(it->path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

VdirEventStoreBackend::VdirEventStoreBackend(MainLoop& loop, const Clock& clock, Configuration configuration)
    : loop_(loop), clock_(clock), configuration_(std::move(configuration))
{
    std::error_code error;
    const auto stored = file::readRegularFile(configuration_.accessFile, error);
    const auto document = stored ? json::parse(*stored) : std::nullopt;
    for (const auto type : {EntityType::event, EntityType::reminder}) {
        if (document && document->is_object() && document->contains(accessKey(type)) &&
            (*document)[accessKey(type)].is_number_integer()) {
            const int raw = (*document)[accessKey(type)].get<int>();
            if (raw >= 0 && raw <= static_cast<int>(Status::writeOnly)) {
                statuses_[type] = static_cast<Status>(raw);
            }
        }
    }
}

fs::path VdirEventStoreBackend::collectionsFolder(EntityType type) const
{
    return configuration_.folder / kindFolder(type);
}

VdirEventStoreBackend::Status VdirEventStoreBackend::authorizationStatus(EntityType type) const
{
    std::lock_guard lock(mutex_);
    const auto found = statuses_.find(type);
    return found == statuses_.end() ? Status::notDetermined : found->second;
}

void VdirEventStoreBackend::requestAccess(EntityType type, bool /*fullAccessRequest*/,
                                          EventStore::AccessCompletion completion)
{
    const Status status = authorizationStatus(type);
    if (status != Status::notDetermined) {
        loop_.post([completion = std::move(completion), status] {
            if (completion) {
                completion(status == Status::fullAccess, std::nullopt);
            }
        });
        return;
    }
    std::weak_ptr<VdirEventStoreBackend> weak = weakAs<VdirEventStoreBackend>();
    loop_.post([weak, type, completion = std::move(completion)] {
        const auto backend = weak.lock();
        if (!backend) {
            return;
        }
        if (!backend->configuration_.askForAccess) {
            if (completion) {
                completion(false,
                           storeError(EventStore::errorEventStoreNotAuthorized,
                                      "There is no one to ask for access to calendars and reminders."));
            }
            return;
        }
        backend->configuration_.askForAccess(type, [weak, type, completion](bool allow) {
            if (const auto backend = weak.lock()) {
                backend->remember(type, allow ? Status::fullAccess : Status::denied);
                backend->loop_.post([completion, allow] {
                    if (completion) {
                        completion(allow, std::nullopt);
                    }
                });
            }
        });
    });
}

void VdirEventStoreBackend::remember(EntityType type, Status status)
{
    nlohmann::json document = nlohmann::json::object();
    {
        std::lock_guard lock(mutex_);
        statuses_[type] = status;
        for (const auto& [kind, decided] : statuses_) {
            document[accessKey(kind)] = static_cast<int>(decided);
        }
    }
    std::error_code error = file::createDirectories(configuration_.accessFile.parent_path(), kPrivateFolder);
    if (!error) {
        error = file::writeAtomically(configuration_.accessFile, document.dump(), kPrivateFile);
    }
    if (error) {
        // The answer holds for this run; the question comes again at the next.
        Log::print(fmt::format("❌ VdirEventStore: cannot save the access decision: {}", error.message()));
    }
}

bool VdirEventStoreBackend::mayWrite(EntityType type) const
{
    const Status status = authorizationStatus(type);
    return status == Status::fullAccess || (type == EntityType::event && status == Status::writeOnly);
}

bool VdirEventStoreBackend::mayRead(EntityType type) const
{
    return authorizationStatus(type) == Status::fullAccess;
}

EventStoreCalendar VdirEventStoreBackend::describe(EntityType type, const std::string& name) const
{
    const fs::path folder = collectionsFolder(type) / name;
    std::error_code error;
    std::string title = name == kDefaultCollection ? defaultTitle(type) : name;
    if (const auto stored = file::readRegularFile(folder / kDisplayNameFile, error)) {
        const std::string trimmed = text::trimmed(text::validUtf8(*stored));
        if (!trimmed.empty()) {
            title = trimmed;
        }
    }
    return EventStoreCalendar{
        .identifier = std::string(kindFolder(type)) + "/" + name,
        .title = title,
        .entityType = type,
        .allowsContentModifications = true,
    };
}

std::optional<EventStoreCalendar> VdirEventStoreBackend::defaultCalendar(EntityType type) const
{
    if (!mayWrite(type)) {
        return std::nullopt;
    }
    // Made on first use; a folder that cannot be made shows when an item is saved there.
    const fs::path folder = collectionsFolder(type) / kDefaultCollection;
    std::error_code error = file::createDirectories(folder, kPrivateFolder);
    if (!error && !fs::exists(folder / kDisplayNameFile, error)) {
        error = file::writeAtomically(folder / kDisplayNameFile, defaultTitle(type), kPrivateFile);
    }
    if (error) {
        Log::print(fmt::format("❌ VdirEventStore: cannot make the collection {}: {}", folder.string(),
                               error.message()));
    }
    return describe(type, kDefaultCollection);
}

std::optional<PlatformError>
VdirEventStoreBackend::collectionFor(const std::optional<EventStoreCalendar>& calendar, EntityType type,
                                     Target& target) const
{
    if (!calendar) {
        return storeError(EventStore::errorNoCalendar, "No calendar has been set.");
    }
    const std::string& identifier = calendar->identifier;
    const auto slash = identifier.find('/');
    const std::string kind = identifier.substr(0, slash);
    const std::string name = slash == std::string::npos ? "" : identifier.substr(slash + 1);
    if (!isPlainName(name) ||
        (kind != kindFolder(EntityType::event) && kind != kindFolder(EntityType::reminder))) {
        return storeError(EventStore::errorNoCalendar, "The calendar does not exist in this store.");
    }
    if (kind != kindFolder(type)) {
        return type == EntityType::event ? storeError(EventStore::errorCalendarDoesNotAllowEvents,
                                                      "This calendar does not allow events.")
                                         : storeError(EventStore::errorCalendarDoesNotAllowReminders,
                                                      "This list does not allow reminders.");
    }
    target.folder = collectionsFolder(type) / name;
    std::error_code error;
    if (!fs::is_directory(target.folder, error)) {
        if (name == kDefaultCollection) {
            // It could not be made: say why.
            error = file::createDirectories(target.folder, kPrivateFolder);
            if (error) {
                return storeError(EventStore::errorInternalFailure,
                                  fmt::format("The collection folder {} cannot be made: {}",
                                              target.folder.string(), error.message()));
            }
        } else {
            return storeError(EventStore::errorNoCalendar, "The calendar does not exist in this store.");
        }
    }
    target.calendar = describe(type, name);
    return std::nullopt;
}

std::optional<PlatformError>
VdirEventStoreBackend::write(const Target& target, std::string& identifier, const std::string& what,
                             const std::function<std::string(const std::string& uid)>& text) const
{
    const std::string uid = identifier.empty() ? Uuid::random().string() : identifier;
    const std::string stem = isSafeFileStem(uid) ? uid : Uuid::random().string();
    const fs::path path = target.folder / (stem + ".ics");
    if (const std::error_code error = file::writeAtomically(path, text(uid), kPrivateFile)) {
        return storeError(EventStore::errorInternalFailure,
                          fmt::format("The {} could not be saved in “{}” ({}): {}", what,
                                      target.calendar.title, path.string(), error.message()));
    }
    identifier = uid;
    return std::nullopt;
}

std::optional<PlatformError> VdirEventStoreBackend::saveReminder(Reminder& reminder)
{
    if (!mayWrite(EntityType::reminder)) {
        return storeError(EventStore::errorEventStoreNotAuthorized, "Access to reminders was not granted.");
    }
    Target target;
    if (auto failure = collectionFor(reminder.calendar, EntityType::reminder, target)) {
        return failure;
    }
    const double now = clock_.now();
    const std::string zone = currentZone();
    return write(target, reminder.calendarItemIdentifier, "reminder",
                 [&](const std::string& uid) { return ICalendarWriter::todo(reminder, uid, now, zone); });
}

std::optional<PlatformError> VdirEventStoreBackend::saveEvent(CalendarEvent& event)
{
    if (!mayWrite(EntityType::event)) {
        return storeError(EventStore::errorEventStoreNotAuthorized, "Access to calendars was not granted.");
    }
    Target target;
    if (auto failure = collectionFor(event.calendar, EntityType::event, target)) {
        return failure;
    }
    if (!event.startDate) {
        return storeError(EventStore::errorNoStartDate, "No start date has been set.");
    }
    if (!event.endDate) {
        return storeError(EventStore::errorNoEndDate, "No end date has been set.");
    }
    if (*event.endDate < *event.startDate) {
        return storeError(EventStore::errorDatesInverted, "The start date must be before the end date.");
    }
    const double now = clock_.now();
    const std::string zone = currentZone();
    return write(target, event.eventIdentifier, "event",
                 [&](const std::string& uid) { return ICalendarWriter::event(event, uid, now, zone); });
}

std::vector<Reminder> VdirEventStoreBackend::fetchReminders() const
{
    std::vector<Reminder> result;
    if (!mayRead(EntityType::reminder)) {
        return result;
    }
    const std::string zone = currentZone();
    for (const auto& name : collectionNames(collectionsFolder(EntityType::reminder))) {
        const EventStoreCalendar list = describe(EntityType::reminder, name);
        for (const auto& path : itemFiles(collectionsFolder(EntityType::reminder) / name)) {
            std::error_code error;
            const auto text = file::readRegularFile(path, error);
            auto reminder = text ? ICalendarReader::todo(*text, zone) : std::nullopt;
            if (reminder) {
                reminder->calendar = list;
                result.push_back(std::move(*reminder));
            }
        }
    }
    return result;
}

std::vector<CalendarEvent> VdirEventStoreBackend::fetchEvents(double start, double end) const
{
    std::vector<CalendarEvent> result;
    if (!mayRead(EntityType::event)) {
        return result;
    }
    const std::string zone = currentZone();
    for (const auto& name : collectionNames(collectionsFolder(EntityType::event))) {
        const EventStoreCalendar calendar = describe(EntityType::event, name);
        for (const auto& path : itemFiles(collectionsFolder(EntityType::event) / name)) {
            std::error_code error;
            const auto text = file::readRegularFile(path, error);
            auto event = text ? ICalendarReader::event(*text, zone) : std::nullopt;
            if (event && *event->startDate<end&& * event->endDate> start) {
                event->calendar = calendar;
                result.push_back(std::move(*event));
            }
        }
    }
    std::stable_sort(result.begin(), result.end(), [](const CalendarEvent& a, const CalendarEvent& b) {
        return *a.startDate < *b.startDate;
    });
    return result;
}

}  // namespace qm
