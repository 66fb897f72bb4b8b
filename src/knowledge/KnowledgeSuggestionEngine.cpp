#include "knowledge/KnowledgeSuggestionEngine.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "base/SqliteStatement.h"
#include "base/Text.h"
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

}  // namespace

KnowledgeSuggestionEngine::KnowledgeSuggestionEngine(SecondBrainIndexer& indexer) : indexer_(indexer) {}

std::string KnowledgeSuggestionEngine::cleanFTSQuery(const std::string& text)
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
    std::string query;
    for (const auto& piece : pieces) {
        if (!query.empty()) {
            query += ' ';
        }
        // Pieces hold letters, marks and digits only: no quote to escape.
        query += '"' + piece + "\"*";
    }
    return query;
}

std::vector<KnowledgeSuggestionModel> KnowledgeSuggestionEngine::search(const std::string& queryText)
{
    std::vector<KnowledgeSuggestionModel> hits;
    if (wordCount(queryText) < 3) {
        return hits;
    }
    const auto query = cleanFTSQuery(queryText);
    if (query.empty()) {
        return hits;
    }
    indexer_.getDatabaseQueue().sync([&] {
        // Asked for here: a rebuild that finished meanwhile has replaced it.
        sqlite3* db = indexer_.getDatabasePointer();
        if (db == nullptr) {
            return;
        }
        SqliteStatement statement(
            db, "SELECT title, snippet(knowledge_fts, 1, '', '', '...', 25), path, source \n"
                "FROM knowledge_fts \nWHERE knowledge_fts MATCH ? \nORDER BY rank \nLIMIT 3;");
        statement.bindText(1, query);
        while (statement.step() == SqliteStatement::Step::row) {
            hits.push_back(KnowledgeSuggestionModel{.title = statement.columnText(0),
                                                    .snippet = statement.columnText(1),
                                                    .filePath = statement.columnText(2),
                                                    .sourceName = statement.columnText(3)});
        }
    });
    return hits;
}

}  // namespace qm
