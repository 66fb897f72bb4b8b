#include "base/FileError.h"

#include <cerrno>

namespace qm {

namespace {

std::string compose(const std::string& action, const std::filesystem::path& path, const std::string& cause)
{
    return path.empty() ? action + ": " + cause : action + " " + path.string() + ": " + cause;
}

}  // namespace

FileError::FileError(const std::string& action, const std::filesystem::path& path, std::error_code code)
    : FileError(action, path, describe(code), code)
{
}

FileError::FileError(const std::string& action, const std::filesystem::path& path, const std::string& cause,
                     std::error_code code)
    : PlatformError(kDomain, code.value(), compose(action, path, cause)), path_(path), errorCode_(code)
{
}

std::string FileError::describe(std::error_code code)
{
    if (code.category() == std::generic_category() || code.category() == std::system_category()) {
        switch (code.value()) {
        case ENOTDIR:
            return "not a folder";
        case EISDIR:
            return "it is a folder";
        case ENOENT:
            return "it does not exist";
        case EACCES:
        case EPERM:
            return "permission denied";
        case ENOSPC:
            return "the disk is full";
        case EDQUOT:
            return "the disk quota is used up";
        case EROFS:
            return "the disk is read-only";
        case EEXIST:
            return "something else is already there";
        case ENAMETOOLONG:
            return "the name is too long";
        case ELOOP:
            return "too many symbolic links";
        case EIO:
            return "the disk could not be read or written";
        case EILSEQ:
            return "it is not UTF-8 text";
        default:
            break;
        }
    }
    std::string message = code.message();
    if (!message.empty() && message.front() >= 'A' && message.front() <= 'Z' &&
        (message.size() == 1 || message[1] < 'A' || message[1] > 'Z')) {
        message.front() = static_cast<char>(message.front() - 'A' + 'a');
    }
    return message;
}

std::string FileError::sentence(const std::filesystem::filesystem_error& error)
{
    const char* action = error.path1().empty() ? "Could not use a file" : "Could not use";
    return compose(action, error.path1(), describe(error.code()));
}

}  // namespace qm
