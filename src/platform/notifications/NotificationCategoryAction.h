#pragma once

#include <string>

namespace qm {

// A button that notifications of a category offer.
struct NotificationCategoryAction {
    enum Option : unsigned {
        authenticationRequired = 1u << 0,
        destructive = 1u << 1,
        foreground = 1u << 2,  // choosing it brings the program to the front
    };

    std::string identifier;  // in capitals, as the program's identifiers are ("RESTART_TO_UPDATE")
    std::string title;
    unsigned options = 0;

    bool operator==(const NotificationCategoryAction&) const = default;
};

}  // namespace qm
