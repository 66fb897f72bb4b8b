#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/workspace/RunningApplication.h"
#include "records/OpenLoop.h"

namespace qm {

class CaptureQuietWindow;
class HostFocus;

// The quiet reminder "Back to this · <action>" shown when the user comes back
// to where an open loop belongs: for a loop with cue words, any application
// whose name or window title holds one of them; for a loop without, the
// application it was typed in with a window that shares a significant word with
// the one it was typed in. OpenLoopStore decides when to look; this decides
// whether to speak, which loop, and what to say. Main thread only.
class ReturnWhisper {
public:
    // Shows a message on the HUD at once, never suppressed by the quiet window.
    using ShowHUD =
        std::function<void(const std::string& message, const std::optional<std::string>& systemImage)>;
    // Whether the capture overlay is open (readable from any thread).
    using CaptureModeProbe = std::function<bool()>;

    // Between an activation and the check, so that only the last of several
    // quick switches is considered.
    static constexpr double delay = 0.45;
    static constexpr std::string_view messagePrefix = "Back to this \u00B7 ";
    static constexpr std::string_view systemImage = "arrow.uturn.backward";
    // A body of this many characters or more is cut to kKeptCharacters and "…".
    static constexpr std::size_t kCutCharacters = 73;
    static constexpr std::size_t kKeptCharacters = 69;

    // The references must outlive the whisper.
    ReturnWhisper(const HostFocus& hostFocus, const CaptureQuietWindow& quietWindow,
                  CaptureModeProbe isCaptureModeActive, ShowHUD showHUD);

    // The title of the application's focused window now ("" when unreadable).
    std::string windowTitle(const RunningApplication& application) const;

    // No whisper within the quiet window of a landing or while a capture is typed.
    bool isSilenced() const;

    // Shows the whisper of `loop`.
    void show(const OpenLoop& loop) const;

    // Whether `loop` belongs to the application that just became active. Closed
    // and departed are not looked at here.
    static bool matches(const OpenLoop& loop, const std::optional<std::string>& bundleId,
                        std::string_view appName, std::string_view windowTitle);

    // The index of the first loop, in stored order (newest first), that is open,
    // departed and matches.
    static std::optional<std::size_t> pick(const std::vector<OpenLoop>& loops,
                                           const std::optional<std::string>& bundleId,
                                           std::string_view appName, std::string_view windowTitle);

    // "Back to this · " and the loop's action (its text when the action is
    // empty), cut when long.
    static std::string message(const OpenLoop& loop);

private:
    const HostFocus& hostFocus_;
    const CaptureQuietWindow& quietWindow_;
    CaptureModeProbe isCaptureModeActive_;
    ShowHUD showHUD_;
};

}  // namespace qm
