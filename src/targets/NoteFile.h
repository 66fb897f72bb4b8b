#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace qm::notefile {

// File steps shared by the targets that append to markdown notes in the
// user's own folders (the Obsidian daily note, the Logseq journal page).
// Failures of the file system throw std::filesystem::filesystem_error.

// Joins a path and a relative part as the platform's path components do: a
// part that begins with "/" still lands below `base`, never in its place.
std::string join(std::string_view base, std::string_view part);

// The path less its last component ("/a/b" -> "/a", "/a" -> "/", "a" -> "").
std::string parent(std::string_view path);

// The last component ("/a/b.md" -> "b.md").
std::string lastComponent(std::string_view path);

// Creates the folder with every missing parent; an existing folder is fine.
void createFolders(const std::string& folder);

// Whether anything exists at `path`. Something there that is not a regular
// file (a folder, a pipe, a device) throws: it is never read or written in
// place of a note, and a pipe would block the read.
bool existsAsNote(const std::string& path);

// The whole file as UTF-8 text; nothing when it cannot be read or is not UTF-8.
std::optional<std::string> readUtf8(const std::string& path);

// True when the text's last user-perceived character is a line feed. A
// carriage return and line feed is one character that is not.
bool endsWithLineFeed(std::string_view text);

// Writes the whole file at once (the old content or the new, never a mix).
// An existing file keeps its permission bits; a new one gets 0644.
void writeAtomically(const std::string& path, std::string_view content);

// An existing file opened without truncating it (O_NONBLOCK, O_CLOEXEC), or
// none when it cannot be opened. Closed on destruction; a failed close
// changes nothing for the caller.
class OpenedNote {
public:
    static std::optional<OpenedNote> open(const std::string& path, int flags);
    OpenedNote(OpenedNote&& other) noexcept;
    OpenedNote& operator=(OpenedNote&&) = delete;
    OpenedNote(const OpenedNote&) = delete;
    ~OpenedNote();

    // Seeks to the end; returns the size.
    off_t seekToEnd();
    // The last byte, or nothing for an empty file or a read that gave nothing.
    std::optional<char> lastByte(off_t size);
    void writeAll(std::string_view bytes);

private:
    OpenedNote(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    int fd_;
    std::string path_;
};

}  // namespace qm::notefile
