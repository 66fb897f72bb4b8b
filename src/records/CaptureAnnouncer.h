#pragma once

#include <optional>
#include <string>

namespace qm {

// What a capture target confirms a landed capture through: CaptureLanding in
// the app. Targets take it in their constructor, so whoever builds them
// decides which landing they confirm through.
class CaptureAnnouncer {
public:
    virtual ~CaptureAnnouncer() = default;

    // Any thread; never fails. Called once per landed capture, never on failure.
    virtual void announce(const std::string& target, const std::string& text, const std::string& receipt,
                          const std::optional<std::string>& revealPath,
                          const std::optional<std::string>& systemImage, bool parksLoop) = 0;

protected:
    CaptureAnnouncer() = default;
    CaptureAnnouncer(const CaptureAnnouncer&) = default;
    CaptureAnnouncer& operator=(const CaptureAnnouncer&) = default;
};

}  // namespace qm
