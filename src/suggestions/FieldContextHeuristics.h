#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "suggestions/FieldContext.h"

namespace qm {

// The fixed rules that classify a text field from what Accessibility says about
// it and from the application it belongs to. Pure functions; any thread.
//
// The keyword tests are plain substring tests on the lower-cased labels, with
// no word boundaries, so some classifications look odd and are kept that way:
// "Message" is a number field ("age"), "Account name" a card field ("cc"),
// "Today" a date field ("day"), "Search users" an e-mail field ("user").
class FieldContextHeuristics {
public:
    struct Attributes {
        std::optional<std::string> roleDescription;
        std::optional<std::string> placeholder;
        std::optional<std::string> title;
        std::optional<std::string> description;
        std::optional<std::string> value;
    };

    FieldContextHeuristics() = delete;

    // The first rule that fires: keywords of the labels, then code editors,
    // code in the value, writing applications, else unknown.
    static FieldContext evaluateHeuristics(const Attributes& attributes, std::string_view bundleId);

    // With no field to look at: code editors, writing applications, else unknown.
    static FieldContext evaluateFallbackHeuristics(std::string_view bundleId);

    // One of the six browsers whose window titles name the page's host.
    static bool isBrowser(std::string_view bundleId);

    // The first host-name-like word of a window title ("example.com",
    // "localhost:3000"), lower-cased; nothing when there is none.
    static std::optional<std::string> extractDomain(std::string_view windowTitle);
};

}  // namespace qm
