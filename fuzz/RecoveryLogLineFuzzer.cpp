// Fuzzer-made bytes through the recovery log's reader, and fuzzer-made texts
// through its writer: no crash on any line or log content, and every line the
// logger writes reads back as what was written (with invalid UTF-8 replaced, as
// the writer documents), alone, after another line, and through a real file.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "base/Text.h"
#include "records/FallbackCaptureLogger.h"

namespace {

using qm::FallbackCaptureLogger;

constexpr std::string_view kCommandWords[] = {"note",  "reminders", "copy",     "timer", "calc",
                                              "alarm", "calendar",  "obsidian", "slack", "logseq"};

std::filesystem::path logFile;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "RecoveryLogLineFuzzer: %s\n", what);
        std::abort();
    }
}

std::string validUtf8(std::string_view bytes)
{
    return qm::text::toUtf8(qm::text::toUtf16(bytes));
}

bool hasWhiteSpaceOrIsEmpty(std::string_view target)
{
    return target.empty() || qm::text::trimmed(target) != target ||
           target.find_first_of(" \t\n\r\v\f") != std::string_view::npos;
}

void checkEntry(const FallbackCaptureLogger::Entry& entry, std::string_view text, std::string_view error,
                std::string_view target, bool commandWord, double now)
{
    check(entry.text == validUtf8(text), "the text did not come back");
    check(entry.errorDescription == validUtf8(error), "the error description did not come back");
    check(!commandWord || entry.target == target, "the command word did not come back");
    check(!hasWhiteSpaceOrIsEmpty(entry.target), "a target with white space");
    check(entry.timestamp == std::floor(now), "the time stamp did not come back");
}

// Arbitrary content: whatever the reader returns is well-formed.
void readAnything(std::string_view bytes)
{
    for (const auto& entry : FallbackCaptureLogger::parseEntries(bytes, 64)) {
        check(!entry.target.empty() && !entry.id.empty() && entry.rawLine.front() == '[',
              "a malformed entry from arbitrary content");
    }
    FallbackCaptureLogger::parseLine(bytes, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "qm-recovery-log-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::abort();
    }
    logFile = std::filesystem::path(pattern) / "fallback_captures.log";
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(logFile.parent_path(), ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    readAnything(input);
    if (size < 4) {
        return 0;
    }

    // Byte 0 picks the target (a command word or fuzzer-made), bytes 1-2 the time,
    // byte 3 where the error description ends and the capture text begins.
    const std::string_view rest = input.substr(4);
    const std::size_t split = rest.empty() ? 0 : data[3] % (rest.size() + 1);
    std::string_view error = rest.substr(0, split);
    std::string_view text = rest.substr(split);
    const bool commandWord = data[0] % 12 != 0;
    std::string_view target = commandWord ? kCommandWords[data[0] % 10] : error;
    const double now = 1.7e9 + (data[1] << 8 | data[2]) * 3600.25;

    const std::string line = FallbackCaptureLogger::formatLine(text, target, error, now);
    check(!line.empty() && line.back() == '\n' && line.find('\n') == line.size() - 1,
          "a written line is not exactly one line");

    const auto alone = FallbackCaptureLogger::parseEntries(line);
    check(alone.size() == 1, "a written line did not parse");
    checkEntry(alone[0], text, error, target, commandWord, now);

    // Another line before it changes nothing, and each reads back on its own.
    const std::string other = FallbackCaptureLogger::formatLine(error, "note", text, now + 1);
    const auto both = FallbackCaptureLogger::parseEntries(other + line);
    check(both.size() == 2, "two written lines did not parse as two");
    checkEntry(both[0], text, error, target, commandWord, now);
    checkEntry(both[1], error, text, "note", true, now + 1);
    check(both[0].id != both[1].id, "two lines with one id");

    // Now and then through the file itself.
    static unsigned counter = 0;
    if (++counter % 256 == 0) {
        if (counter % (256 * 64) == 0) {
            std::error_code ignored;
            std::filesystem::remove(logFile, ignored);
        }
        check(FallbackCaptureLogger::writeEntry(text, target, error, logFile, now), "writeEntry failed");
        const auto read = FallbackCaptureLogger::readEntries(logFile, 1);
        check(read.size() == 1, "the appended line did not read back");
        checkEntry(read[0], text, error, target, commandWord, now);
    }
    return 0;
}
