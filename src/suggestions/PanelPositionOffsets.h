#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/display/Point.h"

namespace qm {

class UserDefaults;

// Where the user moved the suggestion panel in each application, relative to
// the caret, kept in the user defaults under "perAppPositionOffsets" as
// bundle id -> {"x": double, "y": double}. The stored value is read whole:
// when it is of any other shape (an entry that is no dictionary, a member
// that is no number) it counts as no offsets at all, and the next save or
// clear replaces it with a well-formed dictionary.
class PanelPositionOffsets {
public:
    // `defaults` must outlive this object.
    explicit PanelPositionOffsets(UserDefaults& defaults);

    // Nothing unless the application's entry has both "x" and "y".
    std::optional<Point> offsetFor(const std::string& bundleId) const;
    void save(const std::string& bundleId, Point offset);
    // Writes the dictionary back even when there was nothing to remove.
    void clear(const std::string& bundleId);

private:
    using Offsets = std::map<std::string, std::map<std::string, double>>;

    Offsets read() const;
    void write(const Offsets& offsets);

    UserDefaults& defaults_;
};

}  // namespace qm
