#include "targets/NoteFile.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "base/FileUtil.h"
#include "base/Text.h"

namespace qm::notefile {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const char* what, const std::string& path, std::error_code error)
{
    throw fs::filesystem_error(what, fs::path(path), error);
}

[[noreturn]] void failWithErrno(const char* what, const std::string& path)
{
    fail(what, path, std::error_code(errno, std::generic_category()));
}

std::string_view withoutTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

}  // namespace

std::string join(std::string_view base, std::string_view part)
{
    while (!part.empty() && part.front() == '/') {
        part.remove_prefix(1);
    }
    if (part.empty()) {
        return std::string(base);
    }
    if (base.empty()) {
        return std::string(part);
    }
    return base.back() == '/' ? std::string(base).append(part) : std::string(base).append("/").append(part);
}

std::string parent(std::string_view path)
{
    path = withoutTrailingSlashes(path);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    if (slash == 0) {
        return "/";
    }
    return std::string(withoutTrailingSlashes(path.substr(0, slash)));
}

std::string lastComponent(std::string_view path)
{
    path = withoutTrailingSlashes(path);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos || path == "/" ? path : path.substr(slash + 1));
}

void createFolders(const std::string& folder)
{
    if (folder.empty()) {
        return;
    }
    if (const std::error_code error = file::createDirectories(folder)) {
        fail("cannot create the folder", folder, error);
    }
}

bool existsAsNote(const std::string& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return false;
    }
    if (!fs::is_regular_file(status)) {
        fail("something other than a file is where the note belongs", path,
             std::make_error_code(std::errc::invalid_argument));
    }
    return true;
}

std::optional<std::string> readUtf8(const std::string& path)
{
    std::error_code error;
    auto content = file::readAll(path, error);
    if (!content || text::toUtf8(text::toUtf16(*content)) != *content) {
        return std::nullopt;
    }
    return content;
}

bool endsWithLineFeed(std::string_view text)
{
    return text.ends_with('\n') && !text.ends_with("\r\n");
}

void writeAtomically(const std::string& path, std::string_view content)
{
    if (const std::error_code error =
            file::writeAtomically(path, content, file::permissions(path).value_or(0644))) {
        fail("cannot write the note", path, error);
    }
}

std::optional<OpenedNote> OpenedNote::open(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    return OpenedNote(fd, path);
}

OpenedNote::OpenedNote(OpenedNote&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_))
{
    other.fd_ = -1;
}

OpenedNote::~OpenedNote()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

off_t OpenedNote::seekToEnd()
{
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size < 0) {
        failWithErrno("cannot seek to the end of the note", path_);
    }
    return size;
}

std::optional<char> OpenedNote::lastByte(off_t size)
{
    if (size <= 0) {
        return std::nullopt;
    }
    char byte = 0;
    for (;;) {
        const ssize_t count = ::pread(fd_, &byte, 1, size - 1);
        if (count == 1) {
            return byte;
        }
        if (count == 0) {
            return std::nullopt;
        }
        if (errno != EINTR) {
            failWithErrno("cannot read the end of the note", path_);
        }
    }
}

void OpenedNote::writeAll(std::string_view bytes)
{
    seekToEnd();
    if (const std::error_code error = file::writeAll(fd_, bytes)) {
        fail("cannot write to the note", path_, error);
    }
}

}  // namespace qm::notefile
