#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/OpenLoop.h"

namespace qm {

// The content of "open-loops.json": one compact JSON object
//   {"loops":[...newest first...],"lastRevealPath":"...","lastReceipt":"..."}
// with the two last-capture members left out when absent, and every "/" written
// as "\/" as the platform's encoder does (any JSON reader accepts both).
struct OpenLoopFile {
    std::vector<OpenLoop> loops;
    std::optional<std::string> lastRevealPath;
    std::optional<std::string> lastReceipt;

    std::string encode() const;

    // The file's content, or nothing with `reason` set: invalid JSON, a root
    // that is not an object, "loops" missing or not an array, or any loop that
    // does not decode. Members the file does not know are ignored.
    static std::optional<OpenLoopFile> decode(std::string_view bytes, std::string& reason);

    friend bool operator==(const OpenLoopFile&, const OpenLoopFile&) = default;
};

}  // namespace qm
