#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace qm {

class SqliteStatement;

// Orders knowledge hits exactly as FTS5's bm25 does, with one difference in
// cost: how many notes hold each query term is remembered while the index
// stays unchanged. bm25 counts them afresh for every statement, and counting
// the notes of a prefix term walks every indexed word with that prefix, while
// a person's successive searches (one per typing pause) repeat all but their
// last term. For the same reason it remembers the searches that found
// nothing: every term must match, so a longer line holding all their terms
// finds nothing either.
//
// One per connection, used on the connection's queue only.
class KnowledgeRanking {
public:
    // The ranking function's SQL name, for "rank MATCH 'knowledge_bm25()'".
    static constexpr const char* functionName = "knowledge_bm25";

    KnowledgeRanking();
    ~KnowledgeRanking();
    KnowledgeRanking(const KnowledgeRanking&) = delete;
    KnowledgeRanking& operator=(const KnowledgeRanking&) = delete;

    // Registers the ranking function on `db`; false when SQLite offers no FTS5
    // interface (the search then ranks with bm25 itself). Forgets the counts
    // of any connection before.
    bool install(sqlite3* db);
    // Lets go of the connection before it is closed.
    void release();
    sqlite3* connection() const { return db_; }

    // How many notes match each MATCH phrase ("\"word\"*"), in order; absent
    // when a count fails.
    std::optional<std::vector<std::int64_t>> documentCounts(const std::vector<std::string>& phrases);

    // The counts the ranking function takes for the phrases of the statement
    // run next, in the MATCH text's order; cleared with an empty list once the
    // statement is done. Without them (or when their number differs from the
    // statement's phrases) it counts as bm25 does.
    void useCounts(std::vector<std::int64_t> counts) { statementCounts_ = std::move(counts); }
    const std::vector<std::int64_t>& statementCounts() const { return statementCounts_; }

    // Every note's length in tokens, by rowid, read at once while the index
    // stays as it is: bm25 takes it for every matching note, and FTS5 looks
    // each up on its own. -1 where unknown. Loaded by documentCounts().
    int noteLength(std::int64_t rowid) const
    {
        return rowid >= 0 && static_cast<std::size_t>(rowid) < noteLengths_.size()
                   ? noteLengths_[static_cast<std::size_t>(rowid)]
                   : -1;
    }

    // Whether a search whose phrases all stand in `phrases` found nothing
    // since the index last changed.
    bool knownToMatchNothing(const std::vector<std::string>& phrases);
    void rememberNoMatch(const std::vector<std::string>& phrases);

private:
    // Drops what is remembered when rows were written since it was learnt.
    void forgetIfChanged();
    void loadNoteLengths();

    sqlite3* db_ = nullptr;
    std::unique_ptr<SqliteStatement> countStatement_;
    std::unordered_map<std::string, std::int64_t> counts_;
    // Each sorted; the oldest first.
    std::deque<std::vector<std::string>> noMatch_;
    std::int64_t countedAtChanges_ = -1;
    unsigned int countedAtVersion_ = 0;
    std::vector<std::int64_t> statementCounts_;
    std::vector<int> noteLengths_;
    bool noteLengthsLoaded_ = false;
};

}  // namespace qm
