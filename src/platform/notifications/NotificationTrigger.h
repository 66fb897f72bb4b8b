#pragma once

#include <optional>
#include <string>

namespace qm {

// When a local notification fires: a time interval after its request was
// added, or the moment the calendar matches a set of date components. Either
// kind fires once or repeats.
class NotificationTrigger {
public:
    enum class Kind { timeInterval, calendar };

    // The date components a calendar trigger matches. A component that is not
    // given matches any value, except that components smaller than the smallest
    // given one match only their first value (a match of hour and minute fires
    // at second 0; a match of day alone fires at midnight).
    struct DateMatch {
        std::optional<int> year = std::nullopt;
        std::optional<int> month = std::nullopt;  // 1...12
        std::optional<int> day = std::nullopt;    // 1...31
        std::optional<int> hour = std::nullopt;   // 0...23
        std::optional<int> minute = std::nullopt;
        std::optional<int> second = std::nullopt;
        // The IANA zone the components are read in; nothing: the current
        // calendar's zone at the moment the trigger is evaluated.
        std::optional<std::string> timeZoneId = std::nullopt;

        bool operator==(const DateMatch&) const = default;
    };

    // Fires `interval` seconds after the request was added, and every `interval`
    // seconds after that when it repeats. Throws std::invalid_argument, as the
    // platform refuses them, for an interval that is not a positive finite
    // number, and for a repeating interval below 60 seconds.
    static NotificationTrigger timeInterval(double interval, bool repeats);

    // Fires when the calendar matches `match`. Throws std::invalid_argument when
    // no component is given or the time zone is unknown.
    static NotificationTrigger calendar(DateMatch match, bool repeats);

    Kind kind() const { return kind_; }
    bool repeats() const { return repeats_; }
    // The interval of a time-interval trigger; 0 for a calendar trigger.
    double timeInterval() const { return interval_; }
    // The components of a calendar trigger; all absent for a time-interval trigger.
    const DateMatch& dateComponents() const { return match_; }

    // The next moment after `now` at which the trigger fires, or nothing when it
    // will not fire again. A time-interval trigger counts from the moment its
    // request was added (or from `now` if it has not been added).
    std::optional<double> nextTriggerDate(double now) const;

    // The moment the notification centre accepted the request holding this
    // trigger; set by the centre.
    std::optional<double> registeredAt() const { return registeredAt_; }
    void setRegisteredAt(double time) { registeredAt_ = time; }

private:
    NotificationTrigger(Kind kind, double interval, DateMatch match, bool repeats);

    Kind kind_;
    double interval_;
    DateMatch match_;
    bool repeats_;
    std::optional<double> registeredAt_;
};

}  // namespace qm
