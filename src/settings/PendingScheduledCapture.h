#pragma once

#include <optional>
#include <string>

namespace qm {

// A //timer or //alarm capture still waiting to fire: one pending local
// notification of the timer or alarm category.
struct PendingScheduledCapture {
    enum class Kind { timer, alarm };

    std::string id;  // the pending request's identifier
    Kind kind = Kind::timer;
    std::string title;
    std::string subtitle;  // the notification's body
    std::optional<double> fireDate;
    std::optional<double> scheduledAt;

    std::string kindLabel() const { return kind == Kind::timer ? "Timer" : "Alarm"; }

    bool operator==(const PendingScheduledCapture&) const = default;
};

}  // namespace qm
