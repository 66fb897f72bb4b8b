#include "records/FallbackCaptureLogger.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include "base/FileUtil.h"
#include "base/Paths.h"
#include "base/SharedInstance.h"
#include "base/Text.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "records/RecordsNotifications.h"

namespace qm {

namespace {

constexpr const char* kFileName = "fallback_captures.log";
constexpr const char* kQueueLabel = "com.quillmarker.app.fallbackCaptureLog";
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

SerialQueue& logQueue()
{
    static SerialQueue queue(kQueueLabel);
    return queue;
}

// ---- Time stamps: "2026-12-07T22:01:57Z" ----

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate civilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    const unsigned month = shifted < 10 ? shifted + 3 : shifted - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

bool isLeapYear(std::int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(std::int64_t year, unsigned month)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// The years that four digits can write: 0000-01-01T00:00:00Z ... 9999-12-31T23:59:59Z.
constexpr double kFirstWritableTime = -62167219200.0;
constexpr double kLastWritableTime = 253402300799.0;

std::string formatTimestamp(double now)
{
    const double clamped =
        std::isfinite(now) ? std::clamp(std::floor(now), kFirstWritableTime, kLastWritableTime) : 0.0;
    const auto seconds = static_cast<std::int64_t>(clamped);
    const std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const std::int64_t secondOfDay = seconds - days * 86400;
    const CivilDate date = civilFromDays(days);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", date.year, date.month, date.day,
                       secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
}

// The number written by `count` ASCII digits at `at`, or -1.
int digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// An internet date-time to the second: "Z" or a "+hh:mm" / "-hh:mm" offset.
std::optional<double> parseTimestamp(std::string_view text)
{
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':') {
        return std::nullopt;
    }
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59 ||
        static_cast<unsigned>(day) > daysInMonth(year, static_cast<unsigned>(month))) {
        return std::nullopt;
    }
    int offsetSeconds = 0;
    const std::string_view zone = text.substr(19);
    if (zone != "Z") {
        if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':') {
            return std::nullopt;
        }
        const int offsetHours = digits(zone, 1, 2);
        const int offsetMinutes = digits(zone, 4, 2);
        if (offsetHours < 0 || offsetHours > 23 || offsetMinutes < 0 || offsetMinutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = (zone[0] == '+' ? 1 : -1) * (offsetHours * 3600 + offsetMinutes * 60);
    }
    const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return static_cast<double>(days * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds);
}

// ---- Line format ----

bool isValidUtf8(std::string_view bytes)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto length = static_cast<std::int32_t>(bytes.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(data, i, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

// Invalid UTF-8 sequences become U+FFFD, as when the platform decodes a line.
std::string validUtf8(std::string_view bytes)
{
    if (bytes.size() <= INT32_MAX && isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return text::toUtf8(text::toUtf16(bytes));
}

std::string escapeField(std::string_view field)
{
    std::string out;
    out.reserve(field.size() + 8);
    for (const char c : field) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The reader cuts the target at the first " error=\"" and trims it, and splits
// the file at line feeds; a target without white space survives both.
std::string writableTarget(std::string_view target)
{
    const std::u16string units = text::toUtf16(text::trimmed(target));
    std::u16string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size();) {
        UChar32 c = 0;
        const std::size_t start = i;
        U16_NEXT(units.data(), i, units.size(), c);
        if (u_hasBinaryProperty(c, UCHAR_WHITE_SPACE)) {
            out += u'_';
        } else {
            out.append(units, start, i - start);
        }
    }
    return out.empty() ? std::string("unknown") : text::toUtf8(out);
}

std::string_view trimSpacesAndTabs(std::string_view text)
{
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// ---- File access, on the logger's queue ----

struct FileFailure {
    std::error_code code;
    std::string what;
};

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// The whole content of a regular file. Anything else in the log's place (a FIFO,
// a device, a folder) is refused rather than read, so a read never blocks.
std::optional<std::string> readRegularFile(const std::filesystem::path& file, std::error_code& error)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = lastError();
        return std::nullopt;
    }
    std::optional<std::string> content;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = lastError();
    } else if (!S_ISREG(info.st_mode)) {
        error = std::make_error_code(std::errc::invalid_argument);
    } else {
        content.emplace();
        content->reserve(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)));
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                error = lastError();
                content.reset();
                break;
            }
            if (count == 0) {
                break;
            }
            content->append(buffer, static_cast<std::size_t>(count));
        }
    }
    ::close(fd);
    return content;
}

std::optional<FileFailure> createFolderOf(const std::filesystem::path& file)
{
    if (!file.has_parent_path()) {
        return std::nullopt;
    }
    if (auto error = file::createDirectories(file.parent_path(), kFolderMode)) {
        return FileFailure{error, "The recovery log's folder could not be created"};
    }
    return std::nullopt;
}

// True unless the open file is known to end with a line feed.
bool needsLineBreakFirst(int fd, off_t size)
{
    if (size <= 0) {
        return false;
    }
    char last = 0;
    return ::pread(fd, &last, 1, size - 1) != 1 || last != '\n';
}

std::optional<FileFailure> appendToOpenFile(int fd, const std::string& line)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return FileFailure{lastError(), "The recovery log could not be examined"};
    }
    if (!S_ISREG(info.st_mode)) {
        return FileFailure{std::make_error_code(std::errc::invalid_argument),
                           "The recovery log is not a regular file"};
    }
    ::fchmod(fd, kFileMode);
    const std::string bytes = needsLineBreakFirst(fd, info.st_size) ? "\n" + line : line;
    if (auto error = file::writeAll(fd, bytes)) {
        // Take back a partial line, so that the next one does not join it.
        if (::ftruncate(fd, info.st_size) != 0) {
            // Nothing more to do: the next append starts on a fresh line anyway.
        }
        return FileFailure{error, "The recovery log could not be written"};
    }
    if (::fdatasync(fd) != 0 && errno != EINVAL) {
        return FileFailure{lastError(), "The recovery log could not be written"};
    }
    return std::nullopt;
}

// The file cannot be opened for writing: put its old content and the line in its place,
// but never replace content that could not be read.
std::optional<FileFailure> replaceWithAppended(const std::filesystem::path& file, const std::string& line)
{
    std::error_code readError;
    auto content = readRegularFile(file, readError);
    if (!content) {
        if (readError != std::errc::no_such_file_or_directory) {
            return FileFailure{readError,
                               "The existing recovery log could not be read, so it was left as it is"};
        }
        content.emplace();
    }
    if (!content->empty() && content->back() != '\n') {
        content->push_back('\n');
    }
    content->append(line);
    if (auto error = file::writeAtomically(file, *content, kFileMode)) {
        return FileFailure{error, "The recovery log could not be replaced"};
    }
    return std::nullopt;
}

std::optional<FileFailure> appendLine(const std::filesystem::path& file, const std::string& line)
{
    if (auto failure = createFolderOf(file)) {
        return failure;
    }
    // Non-blocking, so that a FIFO in the log's place cannot hang the caller.
    const auto openForAppending = [&file] {
        return ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, kFileMode);
    };
    int fd = openForAppending();
    struct stat info {};
    if (fd < 0 && errno == EACCES && ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        // Our own log made read-only: give it back its mode.
        if (::chmod(file.c_str(), kFileMode) == 0) {
            fd = openForAppending();
        }
    }
    if (fd < 0) {
        return replaceWithAppended(file, line);
    }
    auto failure = appendToOpenFile(fd, line);
    ::close(fd);
    return failure;
}

std::optional<FileFailure> emptyFile(const std::filesystem::path& file)
{
    if (auto failure = createFolderOf(file)) {
        return failure;
    }
    if (auto error = file::writeAtomically(file, "", kFileMode)) {
        return FileFailure{error, "The recovery log could not be cleared"};
    }
    return std::nullopt;
}

[[noreturn]] void raise(const FileFailure& failure, const std::filesystem::path& file)
{
    throw std::filesystem::filesystem_error(failure.what, file, failure.code);
}

std::filesystem::path homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::string buffer(16384, '\0');
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir) {
        return found->pw_dir;
    }
    return {};
}

}  // namespace

FallbackCaptureLogger::FallbackCaptureLogger(const Clock& clock, MainLoop& mainLoop,
                                             NotificationCenter& notificationCenter,
                                             std::optional<std::filesystem::path> applicationSupport)
    : clock_(clock), mainLoop_(mainLoop), notificationCenter_(notificationCenter),
      applicationSupport_(std::move(applicationSupport))
{
}

FallbackCaptureLogger& FallbackCaptureLogger::shared()
{
    return SharedInstance<FallbackCaptureLogger>::get("FallbackCaptureLogger");
}

std::filesystem::path FallbackCaptureLogger::logFileURL() const
{
    const std::filesystem::path support =
        applicationSupport_ ? *applicationSupport_ : homeFolder() / ".local/share";
    return support / paths::kBundleIdentifier / kFileName;
}

bool FallbackCaptureLogger::saveFallback(std::string_view text, std::string_view target,
                                         const std::exception& error)
{
    const std::string trimmedText = text::trimmed(text);
    if (trimmedText.empty()) {
        return false;
    }
    const double now = clock_.now();
    bool written = false;
    try {
        written = writeEntry(trimmedText, target, error.what(), logFileURL(), now);
    } catch (const std::exception&) {
        return false;
    }
    if (written) {
        postLogChanged();
    }
    return written;
}

bool FallbackCaptureLogger::writeEntry(std::string_view text, std::string_view target,
                                       std::string_view errorDescription, const std::filesystem::path& file,
                                       double now)
{
    const std::string line = formatLine(text, target, errorDescription, now);
    const auto failure = logQueue().syncResult([&] { return appendLine(file, line); });
    if (failure) {
        raise(*failure, file);
    }
    return true;
}

std::string FallbackCaptureLogger::formatLine(std::string_view text, std::string_view target,
                                              std::string_view errorDescription, double now)
{
    return fmt::format("[{}] target={} error=\"{}\" text=\"{}\"\n", formatTimestamp(now),
                       writableTarget(target), escapeField(validUtf8(errorDescription)),
                       escapeField(validUtf8(text)));
}

std::vector<FallbackCaptureLogger::Entry>
FallbackCaptureLogger::readEntries(const std::filesystem::path& file, std::size_t limit)
{
    if (limit == 0) {
        return {};
    }
    std::error_code ignored;
    const auto content = logQueue().syncResult([&] { return readRegularFile(file, ignored); });
    if (!content) {
        return {};
    }
    return parseEntries(*content, limit);
}

std::vector<FallbackCaptureLogger::Entry> FallbackCaptureLogger::parseEntries(std::string_view content,
                                                                              std::size_t limit)
{
    std::vector<Entry> entries;
    if (content.empty() || limit == 0) {
        return entries;
    }
    // Piece i of the content split at line feeds is line i, empty pieces included.
    std::size_t lineIndex = static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n'));
    std::size_t end = content.size();
    while (true) {
        const std::size_t feed = end == 0 ? std::string_view::npos : content.rfind('\n', end - 1);
        const std::size_t begin = feed == std::string_view::npos ? 0 : feed + 1;
        const std::string line = text::trimmed(validUtf8(content.substr(begin, end - begin)));
        if (!line.empty()) {
            if (auto entry = parseLine(line, lineIndex)) {
                entries.push_back(std::move(*entry));
                if (entries.size() == limit) {
                    break;
                }
            }
        }
        if (feed == std::string_view::npos) {
            break;
        }
        end = feed;
        --lineIndex;
    }
    return entries;
}

std::optional<FallbackCaptureLogger::Entry> FallbackCaptureLogger::parseLine(std::string_view line,
                                                                             std::size_t lineIndex)
{
    static constexpr std::string_view kTargetKey = "target=";
    static constexpr std::string_view kErrorKey = " error=\"";
    static constexpr std::string_view kTextKey = " text=\"";

    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t stampEnd = line.find(']');
    if (stampEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view stamp = line.substr(1, stampEnd - 1);
    const auto timestamp = parseTimestamp(stamp);
    if (!timestamp) {
        return std::nullopt;
    }

    const std::string_view rest = trimSpacesAndTabs(line.substr(stampEnd + 1));
    const std::size_t targetKey = rest.find(kTargetKey);
    if (targetKey == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view afterTarget = rest.substr(targetKey + kTargetKey.size());

    const std::size_t errorKey = afterTarget.find(kErrorKey);
    if (errorKey == std::string_view::npos) {
        return std::nullopt;
    }
    std::string target = text::trimmed(afterTarget.substr(0, errorKey));
    if (target.empty()) {
        return std::nullopt;
    }
    const std::string_view errorStart = afterTarget.substr(errorKey + kErrorKey.size());
    const auto errorEnd = findClosingQuote(errorStart);
    if (!errorEnd) {
        return std::nullopt;
    }

    const std::string_view afterError = errorStart.substr(*errorEnd + 1);
    const std::size_t textKey = afterError.find(kTextKey);
    if (textKey == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view textStart = afterError.substr(textKey + kTextKey.size());
    const auto textEnd = findClosingQuote(textStart);
    if (!textEnd) {
        return std::nullopt;
    }

    return Entry{
        fmt::format("{}#{}", stamp, lineIndex),
        *timestamp,
        std::move(target),
        unescapeField(errorStart.substr(0, *errorEnd)),
        unescapeField(textStart.substr(0, *textEnd)),
        std::string(line),
    };
}

// Bytes rather than characters: a backslash or a quote is never part of a
// longer UTF-8 sequence, so the walk cannot be misled by what follows them.
std::optional<std::size_t> FallbackCaptureLogger::findClosingQuote(std::string_view field)
{
    bool escaped = false;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (escaped) {
            escaped = false;
        } else if (field[i] == '\\') {
            escaped = true;
        } else if (field[i] == '"') {
            return i;
        }
    }
    return std::nullopt;
}

std::string FallbackCaptureLogger::unescapeField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char next = field[++i];
        out += next == 'n' ? '\n' : next;
    }
    return out;
}

void FallbackCaptureLogger::clearLog(const std::filesystem::path& file)
{
    const auto failure = logQueue().syncResult([&] { return emptyFile(file); });
    if (failure) {
        raise(*failure, file);
    }
    postLogChanged();
}

void FallbackCaptureLogger::postLogChanged()
{
    NotificationCenter* center = &notificationCenter_;
    mainLoop_.post([center] { center->post(RecordsNotifications::fallbackCaptureLogChanged); });
}

}  // namespace qm
