#pragma once

#include "suggestions/AIStreamParser.h"

namespace qm {

// The Ollama chat stream: one JSON object per line. A line whose "message" has
// a string "content" is the next piece; an "error" ends the reply with its
// message. Blank lines and lines of any other shape are skipped; the reply ends
// with the body, whatever its lines say.
class OllamaStreamParser final : public AIStreamParser {
protected:
    std::optional<AIStreamEvent> parseLine(std::string_view line) override;
};

}  // namespace qm
