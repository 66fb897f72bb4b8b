#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

class SyntheticEventPoster;

// Typing into whatever field has the focus as if on the keyboard, for hosts
// whose text Accessibility cannot edit. The events are ours (the tap lets
// them through) and go in at the hardware's entry point from the combined
// session state. Main thread.
class SyntheticTyping {
public:
    // The pause after each Delete, so that slow hosts take every one.
    static constexpr double deletePause = 0.005;

    explicit SyntheticTyping(SyntheticEventPoster& poster) : poster_(poster) {}

    // `count` Delete key presses, each one user-perceived character in front
    // of the caret, or the selection when there is one.
    void postDeletes(std::size_t count);
    // The text as key events of virtual key 0 that carry it: one pair when it
    // fits one event, else one pair per chunk, so nothing is cut.
    void postText(std::string_view utf8);

private:
    void postPair(std::uint16_t keyCode, std::u16string_view text);

    SyntheticEventPoster& poster_;
};

}  // namespace qm
