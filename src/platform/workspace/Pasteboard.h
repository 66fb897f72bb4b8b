#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The system clipboard: a set of representations of one piece of content, each
// under a type name. Every change of ownership (clearContents, declareTypes)
// raises the change count, so a reader can tell that the content was replaced.
//
// Safe to call from any thread; each call is atomic on its own, a sequence of
// calls is not.
class Pasteboard {
public:
    // The platform's type names.
    static constexpr std::string_view typeString = "public.utf8-plain-text";
    static constexpr std::string_view typeRTF = "public.rtf";
    static constexpr std::string_view typeHTML = "public.html";

    virtual ~Pasteboard() = default;

    // Drops every representation and returns the new change count.
    virtual long clearContents() = 0;

    // Drops every representation, announces the types that will be written (no
    // owner: the data is written at once) and returns the new change count.
    virtual long declareTypes(const std::vector<std::string>& types) = 0;

    // Writes `value` as the representation of `type`, adding the type if it
    // was not announced. False when the pasteboard refused the write; the
    // content is then as it was before this call.
    [[nodiscard]] virtual bool setString(std::string_view value, std::string_view type) = 0;

    // The representation of `type`, or nothing when there is none.
    virtual std::optional<std::string> string(std::string_view type) const = 0;

    // The announced and written types, in the order they were announced or added.
    virtual std::vector<std::string> types() const = 0;

    virtual long changeCount() const = 0;
};

}  // namespace qm
