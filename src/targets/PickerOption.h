#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace qm {

// One choice of a target's picker (a Slack channel or person). Identified by
// `id`; two options are equal only when both fields are. A row whose id is
// "error" is a target's failure row.
struct PickerOption {
    std::string id;
    std::string displayName;

    friend bool operator==(const PickerOption&, const PickerOption&) = default;
};

}  // namespace qm

template <> struct std::hash<qm::PickerOption> {
    std::size_t operator()(const qm::PickerOption& option) const noexcept
    {
        const std::size_t first = std::hash<std::string>{}(option.id);
        const std::size_t second = std::hash<std::string>{}(option.displayName);
        return first ^ (second + 0x9e3779b97f4a7c15ULL + (first << 6) + (first >> 2));
    }
};
