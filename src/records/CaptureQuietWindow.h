#pragma once

namespace qm {

class Clock;

// For 20 s after each landed capture, HUD requests that other components make
// through "ShowHUDMessage" are dropped and the return whisper stays silent, so
// that the capture's receipt is not covered. Direct HUD calls are not affected.
// Read and written on the main thread only.
class CaptureQuietWindow {
public:
    static constexpr double duration = 20.0;

    // `clock` must outlive the window. It starts closed.
    explicit CaptureQuietWindow(const Clock& clock);
    CaptureQuietWindow(const CaptureQuietWindow&) = delete;
    CaptureQuietWindow& operator=(const CaptureQuietWindow&) = delete;

    // Opens the window, or moves its end forward, to now + duration.
    void begin();

    // Whether now is strictly before the end of the window.
    bool isActive() const;

private:
    const Clock& clock_;
    double until_;
};

}  // namespace qm
