#pragma once

#include <string_view>

namespace qm {

// How the program presents itself to the desktop: a regular application (a
// Dock icon and a menu bar, while one of its windows wants them) or an
// accessory (a status-bar agent without either), and bringing it in front so
// that a modal alert is not hidden behind another application. Main thread.
class ActivationPolicy {
public:
    enum class Policy {
        regular = 0,
        accessory = 1,
        prohibited = 2,
    };

    static constexpr std::string_view name(Policy policy)
    {
        switch (policy) {
        case Policy::regular:
            return "regular";
        case Policy::accessory:
            return "accessory";
        case Policy::prohibited:
            break;
        }
        return "prohibited";
    }

    virtual ~ActivationPolicy() = default;

    virtual Policy activationPolicy() const = 0;
    // False when the system refused the change; the policy then stays as it was.
    virtual bool setActivationPolicy(Policy policy) = 0;
    // Makes the program the active application; with `ignoringOtherApps`, even
    // while another application is in front.
    virtual void activate(bool ignoringOtherApps) = 0;
};

}  // namespace qm
