#include "knowledge/KnowledgeRanking.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/SqliteStatement.h"

namespace qm {

namespace {

// A session's distinct words stay far below this; past it the counts start over.
constexpr std::size_t rememberedTerms = 20000;
// Rowids beyond this (never given by a rebuild, which numbers from 1) are
// looked up by FTS5 instead of held in the table of note lengths.
constexpr std::size_t maximumRowid = 10'000'000;
// Searches that found nothing: enough for the lines typed lately.
constexpr std::size_t rememberedNoMatch = 64;

std::vector<std::string> sorted(std::vector<std::string> phrases)
{
    std::sort(phrases.begin(), phrases.end());
    return phrases;
}

// What one statement computes once: FTS5's bm25 takes the same.
struct StatementFigures {
    double averageLength = 0;
    std::vector<double> inverseFrequency;
    std::vector<double> frequency;
};

int countRow(const Fts5ExtensionApi*, Fts5Context*, void* userData)
{
    ++*static_cast<sqlite3_int64*>(userData);
    return SQLITE_OK;
}

// Built as FTS5's bm25 builds it, term by term, so that every score comes out
// bit for bit the same and the order of the hits with it.
int statementFigures(const Fts5ExtensionApi* api, Fts5Context* fts, const std::vector<std::int64_t>& counts,
                     StatementFigures*& figures)
{
    figures = static_cast<StatementFigures*>(api->xGetAuxdata(fts, 0));
    if (figures != nullptr) {
        return SQLITE_OK;
    }
    const int phrases = api->xPhraseCount(fts);
    auto made = std::make_unique<StatementFigures>();
    made->inverseFrequency.resize(static_cast<std::size_t>(phrases));
    made->frequency.resize(static_cast<std::size_t>(phrases));
    sqlite3_int64 rows = 0;
    sqlite3_int64 tokens = 0;
    int rc = api->xRowCount(fts, &rows);
    if (rc == SQLITE_OK) {
        rc = api->xColumnTotalSize(fts, -1, &tokens);
    }
    if (rc == SQLITE_OK) {
        made->averageLength = static_cast<double>(tokens) / static_cast<double>(rows);
    }
    const bool counted = counts.size() == static_cast<std::size_t>(phrases);
    for (int i = 0; rc == SQLITE_OK && i < phrases; ++i) {
        sqlite3_int64 hits = 0;
        if (counted) {
            hits = counts[static_cast<std::size_t>(i)];
        } else {
            rc = api->xQueryPhrase(fts, i, &hits, countRow);
        }
        if (rc == SQLITE_OK) {
            double idf = std::log((static_cast<double>(rows) - static_cast<double>(hits) + 0.5) /
                                  (static_cast<double>(hits) + 0.5));
            // A term in more than half the notes would otherwise count against them.
            if (idf <= 0.0) {
                idf = 1e-6;
            }
            made->inverseFrequency[static_cast<std::size_t>(i)] = idf;
        }
    }
    if (rc != SQLITE_OK) {
        return rc;
    }
    rc = api->xSetAuxdata(fts, made.get(), [](void* data) { delete static_cast<StatementFigures*>(data); });
    if (rc == SQLITE_OK) {
        figures = made.release();
    }
    return rc;
}

void rankRow(const Fts5ExtensionApi* api, Fts5Context* fts, sqlite3_context* context, int /*valueCount*/,
             sqlite3_value** /*values*/)
{
    constexpr double k1 = 1.2;
    constexpr double b = 0.75;
    const auto* ranking = static_cast<const KnowledgeRanking*>(api->xUserData(fts));
    StatementFigures* figures = nullptr;
    int rc = statementFigures(api, fts, ranking->statementCounts(), figures);
    // Each phrase's matches walked on their own: the same counts bm25 takes
    // from the row's instances, without merging all phrases into one order.
    for (std::size_t phrase = 0; rc == SQLITE_OK && phrase < figures->frequency.size(); ++phrase) {
        Fts5PhraseIter match{};
        int column = 0;
        int offset = 0;
        double frequency = 0.0;
        rc = api->xPhraseFirst(fts, static_cast<int>(phrase), &match, &column, &offset);
        for (; rc == SQLITE_OK && column >= 0; api->xPhraseNext(fts, &match, &column, &offset)) {
            frequency += 1.0;
        }
        figures->frequency[phrase] = frequency;
    }
    double length = 0.0;
    if (rc == SQLITE_OK) {
        int tokens = ranking->noteLength(api->xRowid(fts));
        if (tokens < 0) {
            rc = api->xColumnSize(fts, -1, &tokens);
        }
        length = static_cast<double>(tokens);
    }
    if (rc != SQLITE_OK) {
        sqlite3_result_error_code(context, rc);
        return;
    }
    double score = 0.0;
    for (std::size_t i = 0; i < figures->frequency.size(); ++i) {
        const double frequency = figures->frequency[i];
        score +=
            figures->inverseFrequency[i] *
            ((frequency * (k1 + 1.0)) / (frequency + k1 * (1 - b + b * length / figures->averageLength)));
    }
    sqlite3_result_double(context, -1.0 * score);
}

// SQLite's variable-length integer, as FTS5 stores column sizes; false when
// the bytes end inside one.
bool readVarint(const unsigned char*& at, const unsigned char* end, std::uint64_t& value)
{
    value = 0;
    for (int i = 0; i < 9 && at < end; ++i) {
        const unsigned char byte = *at++;
        if (i == 8) {
            value = (value << 8) | byte;
            return true;
        }
        value = (value << 7) | (byte & 0x7f);
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

fts5_api* fts5Interface(sqlite3* db)
{
    fts5_api* api = nullptr;
    SqliteStatement statement(db, "SELECT fts5(?1);");
    if (!statement) {
        return nullptr;
    }
    sqlite3_bind_pointer(statement.handle(), 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
    statement.step();
    return api != nullptr && api->iVersion >= 2 ? api : nullptr;
}

}  // namespace

KnowledgeRanking::KnowledgeRanking() = default;

KnowledgeRanking::~KnowledgeRanking() = default;

bool KnowledgeRanking::install(sqlite3* db)
{
    release();
    fts5_api* api = db != nullptr ? fts5Interface(db) : nullptr;
    if (api == nullptr || api->xCreateFunction(api, functionName, this, rankRow, nullptr) != SQLITE_OK) {
        return false;
    }
    db_ = db;
    return true;
}

void KnowledgeRanking::release()
{
    countStatement_.reset();
    counts_.clear();
    noMatch_.clear();
    statementCounts_.clear();
    noteLengths_.clear();
    noteLengthsLoaded_ = false;
    countedAtChanges_ = -1;
    db_ = nullptr;
}

void KnowledgeRanking::forgetIfChanged()
{
    const auto changes = sqlite3_total_changes64(db_);
    unsigned int version = 0;
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
    if (changes != countedAtChanges_ || version != countedAtVersion_ || counts_.size() > rememberedTerms) {
        counts_.clear();
        noMatch_.clear();
        noteLengths_.clear();
        noteLengthsLoaded_ = false;
        countedAtChanges_ = changes;
        countedAtVersion_ = version;
    }
}

std::optional<std::vector<std::int64_t>>
KnowledgeRanking::documentCounts(const std::vector<std::string>& phrases)
{
    if (db_ == nullptr) {
        return std::nullopt;
    }
    forgetIfChanged();
    if (!noteLengthsLoaded_) {
        loadNoteLengths();
    }
    std::vector<std::int64_t> counts;
    counts.reserve(phrases.size());
    for (const auto& phrase : phrases) {
        if (const auto known = counts_.find(phrase); known != counts_.end()) {
            counts.push_back(known->second);
            continue;
        }
        if (!countStatement_) {
            countStatement_ = std::make_unique<SqliteStatement>(
                db_, "SELECT count(*) FROM knowledge_fts WHERE knowledge_fts MATCH ?;");
        }
        SqliteStatement& count = *countStatement_;
        count.bindText(1, phrase);
        const bool counted = count.step() == SqliteStatement::Step::row;
        const auto notes = count.columnInt(0);
        count.reset();
        if (!counted) {
            return std::nullopt;
        }
        counts_.emplace(phrase, notes);
        counts.push_back(notes);
    }
    return counts;
}

void KnowledgeRanking::loadNoteLengths()
{
    noteLengthsLoaded_ = true;
    noteLengths_.clear();
    // Each row's sz holds one varint per column; their sum is the note's length.
    SqliteStatement rows(db_, "SELECT id, sz FROM knowledge_fts_docsize;");
    while (rows.step() == SqliteStatement::Step::row) {
        const auto rowid = rows.columnInt(0);
        const auto sizes = rows.columnBlob(1);
        if (rowid < 0 || rowid > static_cast<std::int64_t>(maximumRowid)) {
            continue;
        }
        const auto* at = reinterpret_cast<const unsigned char*>(sizes.data());
        const auto* end = at + sizes.size();
        std::uint64_t total = 0;
        std::uint64_t size = 0;
        bool whole = true;
        while (whole && at < end) {
            whole = readVarint(at, end, size);
            total += size;
        }
        if (!whole || total > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
            continue;
        }
        const auto index = static_cast<std::size_t>(rowid);
        if (index >= noteLengths_.size()) {
            noteLengths_.resize(index + 1, -1);
        }
        noteLengths_[index] = static_cast<int>(total);
    }
}

bool KnowledgeRanking::knownToMatchNothing(const std::vector<std::string>& phrases)
{
    if (db_ == nullptr) {
        return false;
    }
    forgetIfChanged();
    const auto all = sorted(phrases);
    return std::any_of(noMatch_.begin(), noMatch_.end(), [&all](const std::vector<std::string>& found) {
        return std::includes(all.begin(), all.end(), found.begin(), found.end());
    });
}

void KnowledgeRanking::rememberNoMatch(const std::vector<std::string>& phrases)
{
    if (db_ == nullptr) {
        return;
    }
    forgetIfChanged();
    if (noMatch_.size() == rememberedNoMatch) {
        noMatch_.pop_front();
    }
    noMatch_.push_back(sorted(phrases));
}

}  // namespace qm
