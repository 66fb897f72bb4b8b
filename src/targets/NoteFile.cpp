#include "targets/NoteFile.h"

#include <system_error>

#include "base/FileError.h"
#include "base/FileUtil.h"
#include "base/Text.h"

namespace qm::notefile {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const char* action, const std::string& path, std::error_code error)
{
    throw FileError(action, fs::path(path), error);
}

[[noreturn]] void failNotAFile(const std::string& path, std::error_code error)
{
    throw FileError("Could not use the note", fs::path(path), FileError::notAFile, error);
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
        fail("Could not create the folder", folder, error);
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
        failNotAFile(path, std::make_error_code(std::errc::invalid_argument));
    }
    return true;
}

std::optional<std::string> readUtf8(const std::string& path)
{
    std::error_code error;
    auto content = file::readAll(path, error);
    if (!content || !text::isValidUtf8(*content)) {
        return std::nullopt;
    }
    return content;
}

void writeAtomically(const std::string& path, std::string_view content)
{
    if (const std::error_code error =
            file::writeAtomically(path, content, file::permissions(path).value_or(0644))) {
        fail("Could not write the note", path, error);
    }
}

bool appendToNote(const std::string& path, std::string_view line, file::LineEndCheck lineEnd)
{
    const auto failure = file::appendLine(
        path, line,
        {.lineEnd = lineEnd, .replaceOnlyUtf8Text = true, .mode = 0644, .keepExistingMode = true});
    if (!failure) {
        return true;
    }
    switch (failure->step) {
    case file::AppendStep::readForReplacement:
        return false;
    case file::AppendStep::notRegularFile:
        failNotAFile(path, failure->error);
    case file::AppendStep::replace:
        fail("Could not write the note", path, failure->error);
    case file::AppendStep::examine:
    case file::AppendStep::write:
        break;
    }
    fail("Could not write to the note", path, failure->error);
}

}  // namespace qm::notefile
