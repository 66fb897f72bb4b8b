#pragma once

namespace qm {

// What the user allowed the program's notifications to do, as the centre
// reports it. Raw values are the platform's.
struct UserNotificationSettings {
    enum class AuthorizationStatus {
        notDetermined = 0,  // never asked: a request shows the prompt
        denied = 1,
        authorized = 2,
        provisional = 3,  // delivered quietly until the user decides
        ephemeral = 4,
    };

    enum class Setting {
        notSupported = 0,
        disabled = 1,
        enabled = 2,
    };

    AuthorizationStatus authorizationStatus = AuthorizationStatus::notDetermined;
    // Whether banners or alerts are shown; the user can turn them off while
    // notifications stay authorized.
    Setting alertSetting = Setting::notSupported;

    bool operator==(const UserNotificationSettings&) const = default;
};

}  // namespace qm
