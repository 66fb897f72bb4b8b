#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Paths.h"
#include "base/Uuid.h"
#include "platform/runtime/AliveToken.h"
#include "platform/workspace/RunningApplication.h"
#include "records/HostCaptureContext.h"
#include "records/OpenLoop.h"
#include "records/ReturnWhisper.h"

namespace qm {

class Clock;
class MainLoop;
class Workspace;

// The parked captures the user still has to come back to, newest first and at
// most 40, with the receipt and reveal path of the most recent landed capture.
// Kept in "open-loops.json" in the program's Application Support folder and
// written (atomically, readable only by the user) after every change. Serves
// the status menu ("Mark done", "Reveal ...") and the return whisper.
//
// Storage never fails a caller: a missing file is an empty store; a file that
// does not decode is moved aside (file::moveAside: "open-loops.json.corrupt") with a
// "❌" line and the store starts empty; a file that cannot be read, or cannot be
// moved aside, is left alone and the store keeps its changes in memory only; a
// failed save keeps the change in memory and is retried with the next change.
//
// Main thread only: no lock.
class OpenLoopStore {
public:
    static constexpr std::size_t maxStored = 40;
    static constexpr std::size_t kMenuLoopCount = 3;
    static constexpr std::string_view fileName = "open-loops.json";

    // Loads "open-loops.json" from <applicationSupport>/com.quillmarker.app,
    // creating the folder. Without a folder the store lives in memory only.
    // The references must outlive the store; the main loop may still hold a
    // whisper check after the store is gone (it then does nothing).
    OpenLoopStore(const Clock& clock, MainLoop& mainLoop, Workspace& workspace, ReturnWhisper whisper,
                  std::optional<std::filesystem::path> applicationSupport);
    OpenLoopStore(const OpenLoopStore&) = delete;
    OpenLoopStore& operator=(const OpenLoopStore&) = delete;

    // Parks a new open loop at the front (the oldest beyond 40 fall off, closed
    // or not) and makes its receipt and reveal path the last ones (an absent
    // path clears the last one).
    void park(const std::string& text, const std::string& action, const std::string& target,
              const std::string& receipt, const std::optional<std::string>& revealPath,
              const HostCaptureContext& context, const std::vector<std::string>& cueTokens);

    // Remembers the most recent receipt and reveal path without parking.
    void noteReceipt(const std::string& message, const std::optional<std::string>& revealPath);

    // The first three loops that are not closed, newest first.
    std::vector<OpenLoop> menuLoops() const;

    // "Reveal " and the last path component of the last reveal path; nothing
    // when that path is absent or empty.
    std::optional<std::string> revealMenuTitle() const;

    // Opens the last reveal path: one beginning with "/" as a file, anything else
    // as a URL, which must have a scheme and only URL characters. Nothing happens
    // without a usable path.
    void revealLast();

    // Closes the loop with that identifier for good; an unknown one changes nothing.
    void markDone(const Uuid& id);

    // Called for every application activation, this program's own included.
    // Activating this program arms every open loop of another application and
    // shows nothing; any other activation is checked 0.45 s later, unless
    // another activation came in meanwhile.
    void noteAppActivated(const RunningApplication& application);

    const std::vector<OpenLoop>& loops() const { return loops_; }
    const std::optional<std::string>& lastRevealPath() const { return lastRevealPath_; }
    const std::optional<std::string>& lastReceipt() const { return lastReceipt_; }
    // Counts activations while the process runs; not stored.
    std::int64_t whisperGeneration() const { return whisperGeneration_; }
    // Nothing when there is no Application Support folder.
    const std::optional<std::filesystem::path>& fileURL() const { return fileURL_; }
    // False when changes cannot reach the file (no folder, or a file that could
    // be neither read nor moved aside).
    bool isPersisting() const { return persisting_; }

private:
    void load();
    void moveAside(const std::string& reason);
    void save();
    // Arms every open loop typed in another application than `bundleId`.
    void markDeparted(const std::optional<std::string>& bundleId);
    void considerWhisper(const std::optional<std::string>& bundleId, const std::string& appName,
                         const std::string& windowTitle);

    const Clock& clock_;
    MainLoop& mainLoop_;
    Workspace& workspace_;
    ReturnWhisper whisper_;
    std::vector<OpenLoop> loops_;
    std::optional<std::string> lastRevealPath_;
    std::optional<std::string> lastReceipt_;
    std::int64_t whisperGeneration_ = 0;
    std::optional<std::filesystem::path> fileURL_;
    bool persisting_ = true;
    AliveToken alive_;
};

}  // namespace qm
