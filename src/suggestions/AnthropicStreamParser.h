#pragma once

#include "suggestions/AIStreamParser.h"

namespace qm {

// The Anthropic messages stream: server-sent events whose "data: " lines carry
// JSON. A data line whose "delta" has a string "text" is the next piece; an
// error event ends the reply with its message. Event names, comments
// (keep-alives), blank lines and other events are skipped; the reply ends with
// the body.
class AnthropicStreamParser final : public AIStreamParser {
protected:
    std::optional<AIStreamEvent> parseLine(std::string_view line) override;
};

}  // namespace qm
