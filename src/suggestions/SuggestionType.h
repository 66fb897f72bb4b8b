#pragma once

namespace qm {

// The kind of an inline suggestion, in declaration order.
enum class SuggestionType { mistake, snippet, live, tool, mcp, knowledge, ai, proactive };

}  // namespace qm
