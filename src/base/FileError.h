#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "base/PlatformError.h"

namespace qm {

// A file-system failure told in our own words: what could not be done, the
// path, and the cause, as in "Could not create the folder /a/b: not a folder".
// what() is the sentence, never the library's "filesystem error: ..." text:
// it may be shown to the user as it is. The domain is "FileError", the code
// the system's error number; errorCode() and path() keep the cause and place.
class FileError : public PlatformError {
public:
    static constexpr const char* kDomain = "FileError";

    // `action` begins the sentence ("Could not create the folder"); the cause
    // is described from `code`.
    FileError(const std::string& action, const std::filesystem::path& path, std::error_code code);
    // With the cause as a phrase of our own ("something other than a file is there").
    FileError(const std::string& action, const std::filesystem::path& path, const std::string& cause,
              std::error_code code);

    const std::filesystem::path& path() const { return path_; }
    std::error_code errorCode() const { return errorCode_; }

    // The cause when a folder, FIFO or device stands where a file belongs.
    static constexpr const char* notAFile = "something other than a file is there";

    // The cause of a failure as a lower-case phrase for the user ("not a
    // folder", "permission denied", "the disk is full").
    static std::string describe(std::error_code code);

    // The library's own error told again in our words, with its path and cause.
    static std::string sentence(const std::filesystem::filesystem_error& error);

private:
    std::filesystem::path path_;
    std::error_code errorCode_;
};

}  // namespace qm
