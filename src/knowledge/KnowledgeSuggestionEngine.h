#pragma once

#include <string>
#include <vector>

#include "knowledge/KnowledgeSuggestionModel.h"

namespace qm {

class SecondBrainIndexer;

// Turns what the user is typing into a full-text query over the knowledge
// index and returns up to three hits, best first. Keeps no state; any thread.
// The call waits on the index's queue, so it never sees a half-built index.
class KnowledgeSuggestionEngine {
public:
    // `indexer` must outlive the engine.
    explicit KnowledgeSuggestionEngine(SecondBrainIndexer& indexer);
    virtual ~KnowledgeSuggestionEngine() = default;

    // Nothing for fewer than three words, without a database, or on any failure.
    virtual std::vector<KnowledgeSuggestionModel> search(const std::string& queryText);

    // The MATCH text: each alphanumeric run longer than one character, quoted
    // (so AND, OR and NOT stay words) as a prefix term; empty when none.
    static std::string cleanFTSQuery(const std::string& text);
    // The MATCH text's phrases, in order.
    static std::vector<std::string> queryPhrases(const std::string& text);

private:
    SecondBrainIndexer& indexer_;
};

}  // namespace qm
