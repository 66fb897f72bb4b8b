#include "records/FallbackCaptureLogger.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <utility>

#include <sys/types.h>

#include <fmt/format.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "base/AppendLine.h"
#include "base/FileError.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "base/UtcTimestamp.h"
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

// ---- Line format ----

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
    // The sentence's beginning, the path it names, and a cause of our own
    // where the code alone would not say it.
    std::string action;
    std::filesystem::path path;
    std::optional<std::string> cause;
};

FileFailure describe(const file::AppendFailure& failure, const std::filesystem::path& file)
{
    // The read refuses anything but a regular file (a folder in the log's place).
    if (failure.step == file::AppendStep::readForReplacement &&
        failure.error == std::errc::invalid_argument) {
        return {failure.error, "Could not use the recovery log", file, FileError::notAFile};
    }
    switch (failure.step) {
    case file::AppendStep::examine:
        return {failure.error, "Could not examine the recovery log", file, std::nullopt};
    case file::AppendStep::notRegularFile:
        return {failure.error, "Could not use the recovery log", file, FileError::notAFile};
    case file::AppendStep::write:
        break;
    case file::AppendStep::readForReplacement:
        return {failure.error, "Could not read the existing recovery log, so it was left as it is", file,
                std::nullopt};
    case file::AppendStep::replace:
        return {failure.error, "Could not replace the recovery log", file, std::nullopt};
    }
    return {failure.error, "Could not write the recovery log", file, std::nullopt};
}

std::optional<FileFailure> createFolderOf(const std::filesystem::path& file)
{
    if (!file.has_parent_path()) {
        return std::nullopt;
    }
    if (auto error = file::createDirectories(file.parent_path(), kFolderMode)) {
        return FileFailure{error, "Could not create the folder", file.parent_path(), std::nullopt};
    }
    return std::nullopt;
}

std::optional<FileFailure> appendToLog(const std::filesystem::path& file, const std::string& line)
{
    if (auto failure = createFolderOf(file)) {
        return failure;
    }
    if (auto failure = file::appendLine(file, line, {.mode = kFileMode})) {
        return describe(*failure, file);
    }
    return std::nullopt;
}

std::optional<FileFailure> emptyFile(const std::filesystem::path& file)
{
    if (auto failure = createFolderOf(file)) {
        return failure;
    }
    if (auto error = file::writeAtomically(file, "", kFileMode)) {
        return FileFailure{error, "Could not clear the recovery log", file, std::nullopt};
    }
    return std::nullopt;
}

[[noreturn]] void raise(const FileFailure& failure)
{
    if (failure.cause) {
        throw FileError(failure.action, failure.path, *failure.cause, failure.code);
    }
    throw FileError(failure.action, failure.path, failure.code);
}

}  // namespace

FallbackCaptureLogger::FallbackCaptureLogger(const Clock& clock, MainLoop& mainLoop,
                                             NotificationCenter& notificationCenter,
                                             std::optional<std::filesystem::path> applicationSupport)
    : clock_(clock), mainLoop_(mainLoop), notificationCenter_(notificationCenter),
      applicationSupport_(std::move(applicationSupport))
{
}

std::filesystem::path FallbackCaptureLogger::logFileURL() const
{
    const std::filesystem::path support =
        applicationSupport_ ? *applicationSupport_ : paths::homeFolder() / ".local/share";
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
    } catch (const std::exception& failure) {
        // The caller tells the user the text was not kept; the log says why.
        // The text itself stays out of the log.
        Log::log(fmt::format("❌ FallbackCaptureLogger: Could not keep the failed '{}' capture: {}",
                             text::validUtf8(target), failure.what()));
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
    const auto failure = logQueue().syncResult([&] { return appendToLog(file, line); });
    if (failure) {
        raise(*failure);
    }
    return true;
}

std::string FallbackCaptureLogger::formatLine(std::string_view text, std::string_view target,
                                              std::string_view errorDescription, double now)
{
    return fmt::format("[{}] target={} error=\"{}\" text=\"{}\"\n", UtcTimestamp::format(now),
                       writableTarget(target), escapeField(text::validUtf8(errorDescription)),
                       escapeField(text::validUtf8(text)));
}

std::vector<FallbackCaptureLogger::Entry>
FallbackCaptureLogger::readEntries(const std::filesystem::path& file, std::size_t limit)
{
    if (limit == 0) {
        return {};
    }
    std::error_code ignored;
    const auto content = logQueue().syncResult([&] { return file::readRegularFile(file, ignored); });
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
        const std::string line = text::trimmed(text::validUtf8(content.substr(begin, end - begin)));
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
    const auto timestamp = UtcTimestamp::parse(stamp);
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
        raise(*failure);
    }
    postLogChanged();
}

void FallbackCaptureLogger::postLogChanged()
{
    NotificationCenter* center = &notificationCenter_;
    mainLoop_.post([center] { center->post(RecordsNotifications::fallbackCaptureLogChanged); });
}

}  // namespace qm
