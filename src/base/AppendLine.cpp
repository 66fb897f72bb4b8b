#include "base/AppendLine.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/FileUtil.h"
#include "base/Text.h"

namespace qm::file {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

bool isRegularFile(const std::filesystem::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Whether text content needs a line feed before the next line. A final CR LF
// is one character, and not a line feed.
bool textNeedsLineFeed(std::string_view content)
{
    if (content.empty() || !text::isValidUtf8(content)) {
        return false;
    }
    return !content.ends_with('\n') || content.ends_with("\r\n");
}

bool bytesNeedLineFeed(std::string_view content)
{
    return !content.empty() && content.back() != '\n';
}

// True unless the open file is known to end with a line feed.
bool openFileNeedsLineFeed(int fd, off_t size)
{
    if (size <= 0) {
        return false;
    }
    char last = 0;
    return ::pread(fd, &last, 1, size - 1) != 1 || last != '\n';
}

bool needsLineFeed(const std::filesystem::path& path, int fd, off_t size, LineEndCheck check)
{
    if (check == LineEndCheck::lastByte) {
        return openFileNeedsLineFeed(fd, size);
    }
    if (size <= 0) {
        return false;
    }
    // Read by name: the descriptor may be open for writing only.
    std::error_code ignored;
    const auto content = readRegularFile(path, ignored);
    if (!content) {
        return false;
    }
    if (check == LineEndCheck::lastCharacterOrByte && !text::isValidUtf8(*content)) {
        return bytesNeedLineFeed(*content);
    }
    return textNeedsLineFeed(*content);
}

// Non-blocking, so that a FIFO in the file's place cannot hang the caller.
// For reading too when the last byte is read through the descriptor.
FileDescriptor openForAppending(const std::filesystem::path& path, const AppendOptions& options)
{
    const int access = options.lineEnd == LineEndCheck::lastByte ? O_RDWR : O_WRONLY;
    return FileDescriptor(
        ::open(path.c_str(), access | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, options.mode));
}

std::optional<AppendFailure> appendToOpenFile(const std::filesystem::path& path, int fd,
                                              std::string_view line, const AppendOptions& options)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return AppendFailure{AppendStep::examine, lastError()};
    }
    if (!S_ISREG(info.st_mode)) {
        return AppendFailure{AppendStep::notRegularFile, std::make_error_code(std::errc::invalid_argument)};
    }
    if (!options.keepExistingMode) {
        // The content is appended whether or not the mode could be set.
        static_cast<void>(::fchmod(fd, options.mode & 07777));
    }
    std::string bytes;
    if (needsLineFeed(path, fd, info.st_size, options.lineEnd)) {
        bytes.push_back('\n');
    }
    bytes.append(line);
    if (auto error = writeAll(fd, bytes)) {
        // Take back a partial line. If even that fails, the next append still
        // starts on a line of its own.
        static_cast<void>(::ftruncate(fd, info.st_size));
        return AppendFailure{AppendStep::write, error};
    }
    if (::fdatasync(fd) != 0 && errno != EINVAL) {
        return AppendFailure{AppendStep::write, lastError()};
    }
    return std::nullopt;
}

std::optional<AppendFailure> replaceWithAppended(const std::filesystem::path& path, std::string_view line,
                                                 const AppendOptions& options)
{
    std::error_code readError;
    auto content = readRegularFile(path, readError);
    if (!content) {
        if (readError != std::errc::no_such_file_or_directory) {
            return AppendFailure{AppendStep::readForReplacement, readError};
        }
        content.emplace();
    }
    const bool text = options.replaceOnlyUtf8Text;
    if (text && !text::isValidUtf8(*content)) {
        return AppendFailure{AppendStep::readForReplacement,
                             std::make_error_code(std::errc::illegal_byte_sequence)};
    }
    if (text ? textNeedsLineFeed(*content) : bytesNeedLineFeed(*content)) {
        content->push_back('\n');
    }
    content->append(line);
    const mode_t mode = options.keepExistingMode ? permissions(path).value_or(options.mode) : options.mode;
    if (auto error = writeAtomically(path, *content, mode)) {
        return AppendFailure{AppendStep::replace, error};
    }
    return std::nullopt;
}

}  // namespace

std::optional<AppendFailure> appendLine(const std::filesystem::path& path, std::string_view line,
                                        const AppendOptions& options)
{
    FileDescriptor fd = openForAppending(path, options);
    if (!fd && errno == EACCES && !options.keepExistingMode && isRegularFile(path)) {
        // Our own private file made read-only: give it back its mode.
        if (::chmod(path.c_str(), options.mode & 07777) == 0) {
            fd = openForAppending(path, options);
        }
    }
    if (!fd) {
        return replaceWithAppended(path, line, options);
    }
    return appendToOpenFile(path, fd.get(), line, options);
}

}  // namespace qm::file
