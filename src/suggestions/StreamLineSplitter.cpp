#include "suggestions/StreamLineSplitter.h"

namespace qm {

std::vector<std::string> StreamLineSplitter::feed(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t index = 0;
    if (skipLineFeed_ && !bytes.empty()) {
        skipLineFeed_ = false;
        if (bytes.front() == '\n') {
            index = 1;
        }
    }
    while (index < bytes.size()) {
        std::size_t lineBreak = bytes.find_first_of("\r\n", index);
        if (lineBreak == std::string_view::npos) {
            append(bytes.substr(index));
            break;
        }
        append(bytes.substr(index, lineBreak - index));
        endLine(lines);
        if (bytes[lineBreak] == '\r') {
            if (lineBreak + 1 == bytes.size()) {
                skipLineFeed_ = true;
            } else if (bytes[lineBreak + 1] == '\n') {
                ++lineBreak;
            }
        }
        index = lineBreak + 1;
    }
    return lines;
}

std::vector<std::string> StreamLineSplitter::finish()
{
    std::vector<std::string> lines;
    if (!pending_.empty() && !discarding_) {
        lines.push_back(std::move(pending_));
    }
    pending_.clear();
    discarding_ = false;
    skipLineFeed_ = false;
    return lines;
}

void StreamLineSplitter::append(std::string_view piece)
{
    if (discarding_) {
        return;
    }
    if (pending_.size() + piece.size() > kMaxLineBytes) {
        pending_.clear();
        pending_.shrink_to_fit();
        discarding_ = true;
        return;
    }
    pending_.append(piece);
}

void StreamLineSplitter::endLine(std::vector<std::string>& lines)
{
    if (!discarding_) {
        lines.push_back(std::move(pending_));
    }
    pending_.clear();
    discarding_ = false;
}

}  // namespace qm
