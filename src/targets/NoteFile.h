#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/AppendLine.h"

namespace qm::notefile {

// File steps shared by the targets that append to markdown notes in the
// user's own folders (the Obsidian daily note, the Logseq journal page).
// Failures of the file system throw FileError (whose what() is a sentence
// for the user naming the path and the cause).

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

// Writes the whole file at once (the old content or the new, never a mix).
// An existing file keeps its permission bits; a new one gets 0644.
void writeAtomically(const std::string& path, std::string_view content);

// Appends `line` to the note (file::appendLine, with `lineEnd` deciding
// whether a line feed goes in first). The note keeps its mode, and a note
// that cannot be opened for writing is replaced only by a copy of its UTF-8
// text plus the line. False when it could be neither opened for writing nor
// read as UTF-8 text, so it was left as it was; other failures throw.
bool appendToNote(const std::string& path, std::string_view line, file::LineEndCheck lineEnd);

}  // namespace qm::notefile
