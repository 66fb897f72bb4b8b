#include "targets/LocalNoteTarget.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <fmt/format.h>

#include "base/Calendar.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/PlatformError.h"
#include "records/CaptureAnnouncer.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

constexpr const char* kErrorDomain = "LocalNoteTarget";
constexpr long kLeftUnchangedCode = 1;
constexpr const char* kLeftUnchangedDescription =
    "Quick Capture.md could not be opened for writing, and its content could not be read as UTF-8 text, "
    "so the file was left as it was.";

std::system_error lastError()
{
    return std::system_error(errno, std::generic_category());
}

[[noreturn]] void fail(const char* what, const fs::path& file, std::error_code error)
{
    throw fs::filesystem_error(what, file, error);
}

// The content as UTF-8 text, or nothing when it cannot be read or is not UTF-8.
std::optional<std::string> readText(const fs::path& file)
{
    std::error_code error;
    auto content = file::readAll(file, error);
    if (!content || text::toUtf8(text::toUtf16(*content)) != *content) {
        return std::nullopt;
    }
    return content;
}

// A carriage return and line feed is one character that is not a line feed.
bool endsWithLineFeed(const std::string& content)
{
    return content.ends_with('\n') && !content.ends_with("\r\n");
}

// For a process without HOME: the user's home as the system records it.
fs::path homeFolder()
{
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        return entry->pw_dir;
    }
    return {};
}

// Appends through a handle that does not truncate; false when none can be opened.
bool appendThroughHandle(const fs::path& file, const std::string& payload)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }  // a failed close changes nothing for the caller
    } closer{fd};
    if (::lseek(fd, 0, SEEK_END) < 0) {
        fail("cannot seek to the end of the quick-capture file", file, lastError().code());
    }
    for (std::size_t written = 0; written < payload.size();) {
        const ssize_t count = ::write(fd, payload.data() + written, payload.size() - written);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot write to the quick-capture file", file, lastError().code());
        }
        written += static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace

LocalNoteTarget::LocalNoteTarget(const Clock& clock, CaptureAnnouncer& landing)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), clock_(clock), landing_(landing)
{
}

std::vector<PickerOption> LocalNoteTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void LocalNoteTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    if (line.empty()) {
        return;
    }
    const fs::path file = captureFileURL();
    appendCapture(line, file, clock_.now());
    landing_.announce(commandName(), line, kFileName, file.string(), std::nullopt, /*parksLoop=*/true);
    Log::log(fmt::format("📝 LocalNoteTarget: Captured line to Quick Capture at: {}", file.string()));
}

fs::path LocalNoteTarget::captureFileURL()
{
    const fs::path documents = paths::documents().value_or(homeFolder() / "Documents");
    return documents / kFolderName / kFileName;
}

void LocalNoteTarget::appendCapture(std::string_view text, const fs::path& file, double now)
{
    if (const std::error_code error = file::createDirectories(file.parent_path())) {
        fail("cannot create the folder of the quick-capture file", file.parent_path(), error);
    }
    std::error_code statusError;
    const fs::file_status status = fs::status(file, statusError);
    if (!fs::exists(status)) {
        if (const std::error_code error = file::writeAtomically(file, kHeader)) {
            fail("cannot create the quick-capture file", file, error);
        }
    } else if (!fs::is_regular_file(status)) {
        // Never read or write a folder, a pipe or a device in its place (a pipe would block).
        fail("the quick-capture file is not a regular file", file,
             std::make_error_code(std::errc::invalid_argument));
    }

    const std::string bullet =
        "- [" + Calendar::current().format(now, "HH:mm") + "] " + std::string(text) + "\n";
    const std::string before = readText(file).value_or(std::string());
    const std::string payload = !before.empty() && !endsWithLineFeed(before) ? "\n" + bullet : bullet;
    if (appendThroughHandle(file, payload)) {
        return;
    }
    // Replaced only by a copy that keeps every line it had.
    const auto content = readText(file);
    if (!content) {
        throw PlatformError(kErrorDomain, kLeftUnchangedCode, kLeftUnchangedDescription);
    }
    if (const std::error_code error =
            file::writeAtomically(file, *content + payload, file::permissions(file).value_or(0644))) {
        fail("cannot write the quick-capture file", file, error);
    }
}

}  // namespace qm
