#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qm {

// One note as the knowledge index stores it.
struct IndexedNote {
    std::string title;    // the file's name without its extension
    std::string content;  // the text on one line, markup taken out
    std::string path;
    std::string source;  // the name of the listed folder it was found in
};

// Walks the note folders on a thread of its own and reads, checks and strips
// each note file, so that the files are read while the index writes the notes
// before them. Folders in list order; a file below two listed folders comes
// once for each. Hidden entries, symbolic links, other extensions, files over
// `maximumFileSize` and text that is not UTF-8 are skipped, each unreadable
// file with one log line.
class NoteFolderReader {
public:
    NoteFolderReader(std::vector<std::string> folders, std::uintmax_t maximumFileSize);
    // Stops the walk early when the notes were not all taken.
    ~NoteFolderReader();
    NoteFolderReader(const NoteFolderReader&) = delete;
    NoteFolderReader& operator=(const NoteFolderReader&) = delete;

    // The next note, waiting for it to be read; absent once the walk is over.
    // One caller thread.
    std::optional<IndexedNote> next();

private:
    void walk(const std::vector<std::string>& folders);
    void walkFolder(const std::string& folder);
    void readFile(const std::filesystem::path& file, const std::string& source);
    // False when the reader is being stopped.
    bool hand(IndexedNote note);

    const std::uintmax_t maximumFileSize_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<IndexedNote> ready_;
    std::size_t readyBytes_ = 0;
    bool finished_ = false;
    bool stopping_ = false;
    // Last: started once the members above exist, joined before they go.
    std::thread thread_;
};

}  // namespace qm
