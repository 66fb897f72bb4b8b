#include "knowledge/KnowledgeSuggestionEngine.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>

#include "base/SqliteStatement.h"
#include "base/Text.h"
#include "knowledge/KnowledgeRanking.h"
#include "knowledge/SecondBrainIndexer.h"

namespace qm {

namespace {

// Letters, marks and digits: the platform's alphanumeric set.
bool isAlphanumeric(UChar32 c)
{
    const auto mask = U_GET_GC_MASK(c);
    return (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

std::size_t wordCount(const std::string& text)
{
    std::size_t count = 0;
    bool inWord = false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t offset = 0;
    while (offset < length) {
        UChar32 c;
        U8_NEXT(bytes, offset, length, c);
        const bool space = c >= 0 && (u_isUWhiteSpace(c) || c == 0x85);
        if (!space && !inWord) {
            ++count;
        }
        inWord = !space;
    }
    return count;
}

constexpr const char* searchSql =
    "SELECT title, snippet(knowledge_fts, 1, '', '', '...', 25), path, source \n"
    "FROM knowledge_fts \nWHERE knowledge_fts MATCH ? \nORDER BY rank \nLIMIT 3;";

// The same search, ranked by the same scores from the remembered term counts.
constexpr const char* rankedSearchSql =
    "SELECT title, snippet(knowledge_fts, 1, '', '', '...', 25), path, source \n"
    "FROM knowledge_fts \nWHERE knowledge_fts MATCH ? AND rank MATCH 'knowledge_bm25()' \nORDER BY rank \n"
    "LIMIT 3;";

}  // namespace

KnowledgeSuggestionEngine::KnowledgeSuggestionEngine(SecondBrainIndexer& indexer) : indexer_(indexer) {}

std::vector<std::string> KnowledgeSuggestionEngine::queryPhrases(const std::string& text)
{
    std::vector<std::string> pieces;
    std::string current;
    const auto flush = [&] {
        if (text::graphemeCount(current) > 1) {
            pieces.push_back(current);
        }
        current.clear();
    };
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t offset = 0;
    while (offset < length) {
        const auto start = offset;
        UChar32 c;
        U8_NEXT(bytes, offset, length, c);
        if (c >= 0 && isAlphanumeric(c)) {
            current.append(text, static_cast<std::size_t>(start), static_cast<std::size_t>(offset - start));
        } else {
            flush();
        }
    }
    flush();
    for (auto& piece : pieces) {
        // Pieces hold letters, marks and digits only: no quote to escape.
        piece = '"' + piece + "\"*";
    }
    return pieces;
}

std::string KnowledgeSuggestionEngine::cleanFTSQuery(const std::string& text)
{
    std::string query;
    for (const auto& phrase : queryPhrases(text)) {
        if (!query.empty()) {
            query += ' ';
        }
        query += phrase;
    }
    return query;
}

std::vector<KnowledgeSuggestionModel> KnowledgeSuggestionEngine::search(const std::string& queryText)
{
    std::vector<KnowledgeSuggestionModel> hits;
    if (wordCount(queryText) < 3) {
        return hits;
    }
    const auto phrases = queryPhrases(queryText);
    if (phrases.empty()) {
        return hits;
    }
    const auto query = cleanFTSQuery(queryText);
    indexer_.getDatabaseQueue().sync([&] {
        // Asked for here: a rebuild that finished meanwhile has replaced it.
        sqlite3* db = indexer_.getDatabasePointer();
        if (db == nullptr) {
            return;
        }
        KnowledgeRanking* ranking = indexer_.getRanking();
        // Every term must match: a search holding all the terms of one that
        // found nothing, or a term in no note, finds nothing.
        if (ranking != nullptr && ranking->knownToMatchNothing(phrases)) {
            return;
        }
        const auto counts = ranking != nullptr ? ranking->documentCounts(phrases) : std::nullopt;
        if (counts && std::find(counts->begin(), counts->end(), 0) != counts->end()) {
            return;
        }
        SqliteStatement statement(db, counts ? rankedSearchSql : searchSql);
        statement.bindText(1, query);
        if (counts) {
            ranking->useCounts(*counts);
        }
        auto step = statement.step();
        for (; step == SqliteStatement::Step::row; step = statement.step()) {
            hits.push_back(KnowledgeSuggestionModel{.title = statement.columnText(0),
                                                    .snippet = statement.columnText(1),
                                                    .filePath = statement.columnText(2),
                                                    .sourceName = statement.columnText(3)});
        }
        if (counts) {
            ranking->useCounts({});
            if (hits.empty() && step == SqliteStatement::Step::done) {
                ranking->rememberNoMatch(phrases);
            }
        }
    });
    return hits;
}

}  // namespace qm
