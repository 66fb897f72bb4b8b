#include "records/OpenLoopStore.h"

#include <cmath>
#include <ctime>
#include <system_error>

#include <fmt/format.h>

#include "base/Calendar.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/workspace/Workspace.h"
#include "records/OpenLoopFile.h"

namespace qm {

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// An absolute URL as a URL parser takes it: a scheme, then only the characters
// URLs may hold, with every "%" starting an escape. A relative reference has
// nothing to open it.
bool isOpenableURL(std::string_view url)
{
    const auto colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isAsciiLetter(url[0])) {
        return false;
    }
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = url[i];
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    constexpr std::string_view allowed = "-._~:/?#[]@!$&'()*+,;=";
    for (std::size_t i = colon + 1; i < url.size(); ++i) {
        const char c = url[i];
        if (c == '%') {
            if (i + 2 >= url.size() || !isHexDigit(url[i + 1]) || !isHexDigit(url[i + 2])) {
                return false;
            }
            i += 2;
        } else if (!isAsciiLetter(c) && !isAsciiDigit(c) && allowed.find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// The last component as the platform's path strings name it: trailing slashes
// do not count, and a path of slashes alone is "/".
std::string lastPathComponent(std::string_view path)
{
    const auto end = path.find_last_not_of('/');
    if (end == std::string_view::npos) {
        return path.empty() ? std::string() : std::string("/");
    }
    const std::string_view trimmed = path.substr(0, end + 1);
    const auto slash = trimmed.rfind('/');
    return std::string(slash == std::string_view::npos ? trimmed : trimmed.substr(slash + 1));
}

}  // namespace

OpenLoopStore::OpenLoopStore(const Clock& clock, MainLoop& mainLoop, Workspace& workspace,
                             ReturnWhisper whisper, std::optional<std::filesystem::path> applicationSupport)
    : clock_(clock), mainLoop_(mainLoop), workspace_(workspace), whisper_(std::move(whisper))
{
    if (!applicationSupport) {
        Log::print("❌ OpenLoopStore: no Application Support folder; open loops stay in memory");
        persisting_ = false;
        return;
    }
    const auto folder = *applicationSupport / paths::kBundleIdentifier;
    // A folder that cannot be made shows up as a failed save, which says why.
    static_cast<void>(file::createDirectories(folder, kFolderMode));
    fileURL_ = folder / fileName;
    load();
}

void OpenLoopStore::load()
{
    std::error_code error;
    const auto bytes = file::readAll(*fileURL_, error);
    if (!bytes) {
        if (error != std::errc::no_such_file_or_directory) {
            Log::print(fmt::format("❌ OpenLoopStore: could not read {} ({}); open loops stay in memory",
                                   fileURL_->string(), error.message()));
            persisting_ = false;
        }
        return;
    }
    std::string reason;
    auto decoded = OpenLoopFile::decode(*bytes, reason);
    if (!decoded) {
        moveAside(reason);
        return;
    }
    loops_ = std::move(decoded->loops);
    lastRevealPath_ = std::move(decoded->lastRevealPath);
    lastReceipt_ = std::move(decoded->lastReceipt);
}

void OpenLoopStore::moveAside(const std::string& reason)
{
    std::error_code error;
    const auto aside = file::moveAside(*fileURL_, error);
    if (!aside) {
        Log::print(fmt::format("❌ OpenLoopStore: {} is unreadable ({}) and could not be moved aside ({}); "
                               "open loops stay in memory",
                               fileURL_->string(), reason, error.message()));
        persisting_ = false;
        return;
    }
    Log::print(fmt::format("❌ OpenLoopStore: {} is unreadable ({}); moved it to {} and started empty",
                           fileURL_->string(), reason, aside->string()));
}

void OpenLoopStore::save()
{
    if (!persisting_ || !fileURL_) {
        return;
    }
    const OpenLoopFile content{loops_, lastRevealPath_, lastReceipt_};
    std::error_code error = file::createDirectories(fileURL_->parent_path(), kFolderMode);
    if (!error) {
        error = file::writeAtomically(*fileURL_, content.encode(), kFileMode);
    }
    if (error) {
        Log::print(
            fmt::format("❌ OpenLoopStore: could not save {} ({})", fileURL_->string(), error.message()));
    }
}

void OpenLoopStore::park(const std::string& text, const std::string& action, const std::string& target,
                         const std::string& receipt, const std::optional<std::string>& revealPath,
                         const HostCaptureContext& context, const std::vector<std::string>& cueTokens)
{
    OpenLoop loop;
    loop.id = Uuid::random();
    loop.text = text;
    loop.action = action;
    loop.target = target;
    loop.receipt = receipt;
    loop.revealPath = revealPath;
    loop.appName = context.appName;
    loop.bundleId = context.bundleId;
    loop.windowTitle = context.windowTitle;
    loop.cueTokens = cueTokens;
    loop.createdAt = clock_.now() - kSecondsFrom1970To2001;
    loops_.insert(loops_.begin(), std::move(loop));
    if (loops_.size() > maxStored) {
        loops_.resize(maxStored);
    }
    lastReceipt_ = receipt;
    lastRevealPath_ = revealPath;
    save();
}

void OpenLoopStore::noteReceipt(const std::string& message, const std::optional<std::string>& revealPath)
{
    lastReceipt_ = message;
    lastRevealPath_ = revealPath;
    save();
}

std::vector<OpenLoop> OpenLoopStore::menuLoops() const
{
    std::vector<OpenLoop> result;
    for (const auto& loop : loops_) {
        if (result.size() == kMenuLoopCount) {
            break;
        }
        if (!loop.closed) {
            result.push_back(loop);
        }
    }
    return result;
}

std::optional<std::string> OpenLoopStore::revealMenuTitle() const
{
    if (!lastRevealPath_ || lastRevealPath_->empty()) {
        return std::nullopt;
    }
    return "Reveal " + lastPathComponent(*lastRevealPath_);
}

void OpenLoopStore::revealLast()
{
    if (!lastRevealPath_ || lastRevealPath_->empty()) {
        return;
    }
    const std::string& path = *lastRevealPath_;
    if (path.front() == '/') {
        workspace_.openFile(path);
    } else if (isOpenableURL(path)) {
        workspace_.openURL(path);
    }
}

void OpenLoopStore::markDone(const Uuid& id)
{
    for (auto& loop : loops_) {
        if (loop.id == id) {
            loop.closed = true;
            save();
            return;
        }
    }
}

void OpenLoopStore::markDeparted(const std::optional<std::string>& bundleId)
{
    bool changed = false;
    for (auto& loop : loops_) {
        if (!loop.closed && !loop.departed && loop.bundleId != bundleId) {
            loop.departed = true;
            changed = true;
        }
    }
    if (changed) {
        save();
    }
}

void OpenLoopStore::noteAppActivated(const RunningApplication& application)
{
    const std::int64_t generation = ++whisperGeneration_;
    const std::optional<std::string> bundleId = application.bundleIdentifier;
    const std::string appName = application.localizedName.value_or(std::string());
    if (bundleId == paths::kBundleIdentifier) {
        markDeparted(bundleId);
        return;
    }
    mainLoop_.postAfter(ReturnWhisper::delay,
                        alive_.guard([this, generation, application, bundleId, appName] {
                            if (whisperGeneration_ != generation) {
                                return;
                            }
                            considerWhisper(bundleId, appName, whisper_.windowTitle(application));
                        }));
}

void OpenLoopStore::considerWhisper(const std::optional<std::string>& bundleId, const std::string& appName,
                                    const std::string& windowTitle)
{
    markDeparted(bundleId);
    if (whisper_.isSilenced()) {
        return;
    }
    const auto chosen = ReturnWhisper::pick(loops_, bundleId, appName, windowTitle);
    if (!chosen) {
        return;
    }
    loops_[*chosen].departed = false;
    const OpenLoop whispered = loops_[*chosen];
    save();
    whisper_.show(whispered);
}

}  // namespace qm
