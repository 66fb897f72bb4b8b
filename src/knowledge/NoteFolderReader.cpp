#include "knowledge/NoteFolderReader.h"

#include <algorithm>
#include <array>
#include <system_error>

#include <fmt/format.h>

#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Text.h"
#include "knowledge/MarkdownText.h"

namespace qm {

namespace {

namespace fs = std::filesystem;

// Counted in bytes, not notes: enough that the reader keeps going while the
// index merges its segments (when the writer takes no note for a while) and
// the writer then finds its notes waiting, without holding the vault in memory.
constexpr std::size_t readAheadBytes = 8u * 1024u * 1024u;

std::size_t heldBytes(const IndexedNote& note)
{
    return note.title.size() + note.content.size() + note.path.size() + note.source.size();
}

bool hasNoteExtension(const fs::path& file)
{
    auto extension = file.extension().string();
    if (extension.empty()) {
        return false;
    }
    extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static constexpr std::array<std::string_view, 4> accepted = {"md", "txt", "markdown", "org"};
    return std::find(accepted.begin(), accepted.end(), extension) != accepted.end();
}

bool isHidden(const fs::path& entry)
{
    const auto name = entry.filename().string();
    return !name.empty() && name.front() == '.';
}

}  // namespace

NoteFolderReader::NoteFolderReader(std::vector<std::string> folders, std::uintmax_t maximumFileSize)
    : maximumFileSize_(maximumFileSize), thread_([this, folders = std::move(folders)] { walk(folders); })
{
}

NoteFolderReader::~NoteFolderReader()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

std::optional<IndexedNote> NoteFolderReader::next()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty()) {
        return std::nullopt;
    }
    const bool wasFull = readyBytes_ >= readAheadBytes;
    auto note = std::move(ready_.front());
    ready_.pop_front();
    readyBytes_ -= heldBytes(note);
    if (wasFull && readyBytes_ < readAheadBytes) {
        changed_.notify_all();
    }
    return note;
}

bool NoteFolderReader::hand(IndexedNote note)
{
    std::unique_lock lock(mutex_);
    // Below the bound, a note of any size is let through.
    changed_.wait(lock, [this] { return readyBytes_ < readAheadBytes || stopping_; });
    if (stopping_) {
        return false;
    }
    readyBytes_ += heldBytes(note);
    ready_.push_back(std::move(note));
    if (ready_.size() == 1) {
        changed_.notify_all();
    }
    return true;
}

void NoteFolderReader::walk(const std::vector<std::string>& folders)
{
    for (const auto& folder : folders) {
        walkFolder(folder);
    }
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

void NoteFolderReader::walkFolder(const std::string& folder)
{
    std::error_code error;
    // Symbolic links are neither followed nor read: a link to a folder could
    // loop back above itself, and the walk reports links as links.
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    if (error) {
        return;
    }
    // The folder's own name, also when the entry ends in "/".
    auto source = fs::path(folder).filename();
    if (source.empty()) {
        source = fs::path(folder).parent_path().filename();
    }
    for (auto it = std::move(walk); it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) {
            break;
        }
        const auto& entry = *it;
        if (isHidden(entry.path())) {
            it.disable_recursion_pending();
            continue;
        }
        std::error_code statusError;
        if (!entry.is_regular_file(statusError) || entry.is_symlink(statusError)) {
            continue;
        }
        if (hasNoteExtension(entry.path())) {
            readFile(entry.path(), source.string());
        }
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
    }
}

void NoteFolderReader::readFile(const std::filesystem::path& file, const std::string& source)
{
    std::error_code error;
    const auto text = file::readRegularFileAtMost(file, maximumFileSize_, error);
    if (error == std::errc::file_too_large) {
        std::error_code ignored;
        Log::print(fmt::format("⚠️ Failed to index file {}: the file is larger than 16 MiB ({} bytes).",
                               file.string(), fs::file_size(file, ignored)));
        return;
    }
    if (!text) {
        Log::print(fmt::format("⚠️ Failed to index file {}: {}", file.string(), error.message()));
        return;
    }
    if (!text::isValidUtf8(*text)) {
        Log::print(
            fmt::format("⚠️ Failed to index file {}: The file couldn’t be opened because the text "
                        "encoding of its contents can’t be determined.",
                        file.string()));
        return;
    }
    hand({file.stem().string(), markdown::strippedToOneLine(*text), file.string(), source});
}

}  // namespace qm
