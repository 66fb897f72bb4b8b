#pragma once

#include "suggestions/AIStreamParser.h"

namespace qm {

// The OpenAI chat-completions stream: server-sent events whose "data: " lines
// carry JSON, ended by the data "[DONE]". The first choice's "delta" "content"
// string is the next piece; an error object ends the reply with its message.
// Comments (keep-alives), blank lines and lines of any other shape are skipped.
class OpenAIStreamParser final : public AIStreamParser {
protected:
    std::optional<AIStreamEvent> parseLine(std::string_view line) override;
};

}  // namespace qm
