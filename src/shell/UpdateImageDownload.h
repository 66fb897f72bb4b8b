#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "base/FileDescriptor.h"
#include "base/PlatformError.h"
#include "platform/network/HttpStreamReceiver.h"

namespace qm {

// One disk-image download into a private file (mode 0600, a hidden name in
// the destination's folder, so the final move is a rename). The body is
// written only after a 200, and the transfer stops once more than
// `maximumBytes` arrived; the file then holds what came, for the size check
// to refuse. The file is removed when the object goes, unless it was moved
// into place: nothing unverified is left behind.
class UpdateImageDownload final : public HttpStreamReceiver {
public:
    UpdateImageDownload(std::filesystem::path folder, std::int64_t maximumBytes);
    ~UpdateImageDownload() override;
    UpdateImageDownload(const UpdateImageDownload&) = delete;
    UpdateImageDownload& operator=(const UpdateImageDownload&) = delete;

    // Creates the file; the error (naming the folder) when it cannot.
    std::optional<PlatformError> open();

    bool receiveResponse(int statusCode) override;
    bool receiveData(std::string_view bytes) override;

    // The transport's error, or the file's when writing failed.
    void finish(std::optional<PlatformError> transportError);

    // -1 until a response arrived.
    int status() const { return status_; }
    const std::optional<PlatformError>& error() const { return error_; }
    const std::filesystem::path& file() const { return file_; }

    // Removes `destination` when it exists, then renames the file there.
    // Throws PlatformError naming the destination when either fails.
    void moveTo(const std::filesystem::path& destination);

private:
    std::filesystem::path folder_;
    std::int64_t maximumBytes_;
    std::filesystem::path file_;
    file::FileDescriptor descriptor_;
    std::int64_t received_ = 0;
    int status_ = -1;
    std::optional<PlatformError> error_;
    bool moved_ = false;
};

}  // namespace qm
