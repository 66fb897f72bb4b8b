#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace qm {

// A file-system failure told in our own words: what could not be done, the
// path, and the cause, as in "Could not create the folder /a/b: not a folder".
// It is a std::filesystem::filesystem_error, so that callers catching those
// still do, but what() is the sentence, never the library's "filesystem
// error: ..." text: it may be shown to the user as it is.
class FileError : public std::filesystem::filesystem_error {
public:
    // `action` begins the sentence ("Could not create the folder"); the cause
    // is described from `code`.
    FileError(const std::string& action, const std::filesystem::path& path, std::error_code code);
    // With the cause as a phrase of our own ("something other than a file is there").
    FileError(const std::string& action, const std::filesystem::path& path, const std::string& cause,
              std::error_code code);

    const char* what() const noexcept override { return sentence_.c_str(); }

    // The cause when a folder, FIFO or device stands where a file belongs.
    static constexpr const char* notAFile = "something other than a file is there";

    // The cause of a failure as a lower-case phrase for the user ("not a
    // folder", "permission denied", "the disk is full").
    static std::string describe(std::error_code code);

    // The sentence for any file-system error: ours as it is, the library's
    // told again with its path and cause.
    static std::string sentence(const std::filesystem::filesystem_error& error);

private:
    std::string sentence_;
};

}  // namespace qm
