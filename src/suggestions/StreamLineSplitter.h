#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Cuts a byte stream that arrives in arbitrary pieces into lines. A line ends at
// LF, CR or CR LF (also when the CR and the LF arrive in different pieces); the
// break is not part of the line. Bytes are kept as they are, so a character
// split between two pieces comes out whole.
class StreamLineSplitter {
public:
    // A line longer than this is dropped whole, up to its break, instead of
    // being held in memory: no reply the services send comes near it.
    static constexpr std::size_t kMaxLineBytes = 4 * 1024 * 1024;

    // The lines that `bytes` completes, in order.
    std::vector<std::string> feed(std::string_view bytes);
    // The last line, when the stream ended without a break after it.
    std::vector<std::string> finish();

private:
    void append(std::string_view piece);
    void endLine(std::vector<std::string>& lines);

    std::string pending_;
    bool skipLineFeed_ = false;  // the last piece ended in CR
    bool discarding_ = false;    // the current line grew too long
};

}  // namespace qm
