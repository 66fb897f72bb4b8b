#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// An absolute address split into the parts the program's checks look at, as
// the platform's address parser reports them: the scheme as written (its case
// kept), the host as written, the path percent-decoded. Text that is not an
// absolute address (no scheme, spaces, control characters) gives nothing.
struct Url {
    std::string text;
    std::string scheme;
    std::string host;
    std::optional<int> port;
    // Percent-decoded; "/" when the address has none. Query and fragment are not part of it.
    std::string path;

    static std::optional<Url> parse(std::string_view text);

    // The extension of the path's last component ("DMG" for "/a/b.DMG"): the
    // text after its last dot, empty when it has none or only a leading one.
    // Trailing slashes are not part of the last component.
    std::string pathExtension() const;
};

}  // namespace qm
