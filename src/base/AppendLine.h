#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include <sys/types.h>

namespace qm::file {

// How appendLine decides whether the file's end needs a line feed before the
// new line.
enum class LineEndCheck {
    // The last byte is not a line feed (or cannot be read). The file is opened
    // for reading as well as writing, to read it; one that cannot be opened so
    // counts as a file that cannot be opened for writing.
    lastByte,
    // The content read as UTF-8 text: its last character is not a line feed,
    // and a final "\r\n" is one character that is not. Content that is not
    // valid UTF-8, or cannot be read, counts as empty: nothing goes in first.
    lastCharacter,
    // As lastCharacter, but content that is readable and not valid UTF-8 is
    // judged by its last byte, so the line never runs on from the one before.
    lastCharacterOrByte,
};

struct AppendOptions {
    LineEndCheck lineEnd = LineEndCheck::lastByte;
    // The replacement (when the file cannot be opened for writing) carries over
    // only content that is valid UTF-8 text, judging its end by lastCharacter;
    // other content could not be told apart from damage and stays untouched.
    // Otherwise any bytes are carried over and the last byte decides.
    bool replaceOnlyUtf8Text = false;
    // The mode of a file that appendLine creates or puts in place of one it
    // cannot open. Unless `keepExistingMode`, an existing file is set to it too,
    // which also makes a private file that was made read-only writable again.
    mode_t mode = 0600;
    // A file the user owns and may have given its own mode (a note in
    // Documents) keeps that mode, also through a replacement.
    bool keepExistingMode = false;
};

// The step at which an append stopped. The file is as it was before the call,
// except that a write which failed halfway is cut back where it can be.
enum class AppendStep {
    examine,             // the open file could not be stat'ed
    notRegularFile,      // a folder, FIFO or device stands in the file's place
    write,               // writing or syncing the bytes failed
    readForReplacement,  // the file could not be opened, nor read to be replaced
    replace,             // the replacement could not be written
};

struct AppendFailure {
    AppendStep step;
    std::error_code error;
};

// Appends `line` (which brings its own final "\n") to the file at `path`,
// creating the file, not its folder. When the file is not empty and does not
// end with a line feed (edited by hand), one is written first, so no earlier
// line is joined to the new one. A write that fails halfway is cut back, so the
// next line does not start inside a partial one. A FIFO in the file's place is
// never waited on.
//
// When the file cannot be opened for writing, it is replaced atomically by its
// old content plus the line, but only when that content could be read: a file
// that cannot be read is never replaced.
//
// Not synchronised: callers that append from several threads serialise the
// calls (a serial queue), so a replacement cannot lose a concurrent line.
std::optional<AppendFailure> appendLine(const std::filesystem::path& path, std::string_view line,
                                        const AppendOptions& options = {});

}  // namespace qm::file
