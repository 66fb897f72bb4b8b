#include "shell/UpdateImageDownload.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <fmt/format.h>

#include "base/FileUtil.h"

namespace qm {

namespace {

PlatformError fileError(int code, std::string sentence)
{
    return PlatformError("NSPOSIXErrorDomain", code, fmt::format("{}: {}.", sentence, std::strerror(code)));
}

}  // namespace

UpdateImageDownload::UpdateImageDownload(std::filesystem::path folder, std::int64_t maximumBytes)
    : folder_(std::move(folder)), maximumBytes_(maximumBytes)
{
}

UpdateImageDownload::~UpdateImageDownload()
{
    descriptor_.reset();
    if (!file_.empty() && !moved_) {
        std::error_code ignored;
        std::filesystem::remove(file_, ignored);
    }
}

std::optional<PlatformError> UpdateImageDownload::open()
{
    std::string pattern = (folder_ / ".Quillmarker-update-XXXXXX").string();
    // mkostemp creates the file with mode 0600, never an existing one.
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return fileError(errno, fmt::format("Could not create the download in “{}”", folder_.string()));
    }
    descriptor_.reset(fd);
    file_ = pattern;
    return std::nullopt;
}

bool UpdateImageDownload::receiveResponse(int statusCode)
{
    status_ = statusCode;
    // Only a 200 can pass the checks; an error page is not worth reading.
    return statusCode == 200;
}

bool UpdateImageDownload::receiveData(std::string_view bytes)
{
    if (const auto error = file::writeAll(descriptor_.get(), bytes)) {
        error_ =
            fileError(error.value(), fmt::format("Could not write the download in “{}”", folder_.string()));
        return false;
    }
    received_ += static_cast<std::int64_t>(bytes.size());
    // Far too large already: what came is enough for the size check to refuse.
    return received_ <= maximumBytes_;
}

void UpdateImageDownload::finish(std::optional<PlatformError> transportError)
{
    if (!error_) {
        error_ = std::move(transportError);
    }
    if (descriptor_.isOpen() && descriptor_.close() != 0 && !error_) {
        error_ = fileError(errno, fmt::format("Could not write the download in “{}”", folder_.string()));
    }
}

void UpdateImageDownload::moveTo(const std::filesystem::path& destination)
{
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(destination, error))) {
        if (!std::filesystem::remove(destination, error) && error) {
            throw fileError(error.value(), fmt::format("Could not replace “{}”", destination.string()));
        }
    }
    std::filesystem::rename(file_, destination, error);
    if (error) {
        throw fileError(error.value(),
                        fmt::format("Could not move the download to “{}”", destination.string()));
    }
    moved_ = true;
}

}  // namespace qm
