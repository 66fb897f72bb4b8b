#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// One timer or alarm still waiting in the notification centre, as the
// countdown and the scheduled page list it.
struct PendingScheduledCapture {
    enum class Kind { timer, alarm };

    // "timer" or "alarm"; nothing for any other text.
    static std::optional<Kind> kindFromRawValue(std::string_view rawValue);
    static std::string_view rawValue(Kind kind);

    // "Timer" or "Alarm".
    std::string_view kindLabel() const;

    // The notification request's identifier.
    std::string id;
    Kind kind = Kind::timer;
    // "Timer finished" or "Alarm".
    std::string title;
    // The notification's body: the timer's label (or "Your timer is done"), the alarm's text.
    std::string subtitle;
    // Seconds since 1970.
    std::optional<double> fireDate;
    std::optional<double> scheduledAt;

    bool operator==(const PendingScheduledCapture&) const = default;
};

}  // namespace qm
