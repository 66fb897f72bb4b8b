#pragma once

#include <cstddef>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/FallbackCaptureLoggerEntry.h"

namespace qm {

class Clock;
class MainLoop;
class NotificationCenter;

// The recovery log "fallback_captures.log": the text of every failed capture,
// one line each, oldest first, in a file only the user can read (0600):
//
//   [2026-12-07T22:01:57Z] target=note error="Disk full" text="buy milk\neggs"
//
// The time stamp is UTC to the whole second. In the two quoted fields a
// backslash, a double quote and a line feed are written as \\, \" and \n;
// nothing else is escaped. The target is the capture's command word.
//
// Every file access runs on the log's own serial queue, so a clear never
// swallows a line being appended; each call waits for its turn and may come
// from any thread.
//
// The app builds one logger; it stamps lines with its clock and posts
// RecordsNotifications::fallbackCaptureLogChanged (no object, no userInfo) on
// its main loop after a saved line or a clear. The file helpers are static.
class FallbackCaptureLogger {
public:
    using Entry = FallbackCaptureLoggerEntry;

    static constexpr std::size_t kDefaultReadLimit = 500;

    // `applicationSupport` is the folder holding "com.quillmarker.app" (none:
    // the home folder's ".local/share"). The references must outlive the
    // logger; the main loop also every post the logger made.
    FallbackCaptureLogger(const Clock& clock, MainLoop& mainLoop, NotificationCenter& notificationCenter,
                          std::optional<std::filesystem::path> applicationSupport);
    FallbackCaptureLogger(const FallbackCaptureLogger&) = delete;
    FallbackCaptureLogger& operator=(const FallbackCaptureLogger&) = delete;

    // <Application Support>/com.quillmarker.app/fallback_captures.log. Computes the
    // location only; creates nothing.
    std::filesystem::path logFileURL() const;

    // Saves a failed capture's trimmed text with the error's description (what())
    // to logFileURL() at the clock's time. True only when the line was written; a
    // blank text or any file error gives false, and nothing is posted. A file
    // error is logged ("❌", the path and the cause, never the text).
    bool saveFallback(std::string_view text, std::string_view target, const std::exception& error);

    // Appends one line to `file`, creating its folder (0700) and the file (0600)
    // as needed, and returns true. A file that ends without a line feed (edited by
    // hand) gets one first, so no earlier line is joined to the new one. Text that
    // is not valid UTF-8 is written with U+FFFD in place of each invalid sequence;
    // white space inside the target becomes "_" and an empty target "unknown", so
    // the line always reads back.
    //
    // If the file cannot be opened for writing, it is replaced (atomically, 0600)
    // by its old content plus the line, but only when that content could be read:
    // a file that cannot be read is left untouched and the call throws.
    // Throws FileError (whose what() names the path and the cause in our
    // words) for a folder that cannot be created
    // and a file that cannot be written or replaced.
    static bool writeEntry(std::string_view text, std::string_view target, std::string_view errorDescription,
                           const std::filesystem::path& file, double now);

    // The entries of `file`, newest (last line) first, at most `limit`. A missing
    // or unreadable file gives none; a line that does not parse is skipped alone,
    // and bytes that are not UTF-8 read as U+FFFD within their own line.
    static std::vector<Entry> readEntries(const std::filesystem::path& file,
                                          std::size_t limit = kDefaultReadLimit);

    // The entries in a log's content, as readEntries reads them.
    static std::vector<Entry> parseEntries(std::string_view content, std::size_t limit = kDefaultReadLimit);

    // One line (without its line feed), or nothing when it does not follow the format.
    static std::optional<Entry> parseLine(std::string_view line, std::size_t lineIndex);

    // The line writeEntry appends, line feed included.
    static std::string formatLine(std::string_view text, std::string_view target,
                                  std::string_view errorDescription, double now);

    // Empties the log: a new empty file, created 0600, replaces it atomically
    // (a missing one is created). Throws FileError, and posts nothing, when the
    // folder or the file cannot be made.
    void clearLog(const std::filesystem::path& file);
    void clearLog() { clearLog(logFileURL()); }

private:
    // The position of the quote that closes an escaped field starting at field[0].
    static std::optional<std::size_t> findClosingQuote(std::string_view field);
    static std::string unescapeField(std::string_view field);
    void postLogChanged();

    const Clock& clock_;
    MainLoop& mainLoop_;
    NotificationCenter& notificationCenter_;
    const std::optional<std::filesystem::path> applicationSupport_;
};

}  // namespace qm
