#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <sqlite3.h>

#include <gmock/gmock.h>

#include "base/SqliteStatement.h"
#include "knowledge/KnowledgeRanking.h"
#include "knowledge/KnowledgeSuggestionEngine.h"
#include "knowledge/SecondBrainIndexer.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "support/TempDir.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;

// bm25 as FTS5 itself computes it, for every matching note.
constexpr const char* bm25Sql =
    "SELECT rowid, bm25(knowledge_fts) FROM knowledge_fts WHERE knowledge_fts MATCH ? ORDER BY rowid;";
constexpr const char* rankingSql =
    "SELECT rowid, rank FROM knowledge_fts WHERE knowledge_fts MATCH ? AND rank MATCH 'knowledge_bm25()' "
    "ORDER BY rowid;";
// The search as it ran before the term counts were remembered.
constexpr const char* plainSearchSql =
    "SELECT title, snippet(knowledge_fts, 1, '', '', '...', 25), path, source \n"
    "FROM knowledge_fts \nWHERE knowledge_fts MATCH ? \nORDER BY rank \nLIMIT 3;";

struct Scored {
    std::int64_t rowid;
    double score;
    bool operator==(const Scored& other) const
    {
        // Bit for bit: the order of equal scores must come out the same too.
        return rowid == other.rowid && std::memcmp(&score, &other.score, sizeof score) == 0;
    }
};

void PrintTo(const Scored& scored, std::ostream* out)
{
    *out << scored.rowid << ":" << scored.score;
}

std::vector<Scored> scores(sqlite3* db, const char* sql, const std::string& query)
{
    std::vector<Scored> result;
    SqliteStatement statement(db, sql);
    statement.bindText(1, query);
    while (statement.step() == SqliteStatement::Step::row) {
        result.push_back({statement.columnInt(0), statement.columnDouble(1)});
    }
    return result;
}

// A vault in few, short, Zipf-drawn words, so that prefixes overlap, many
// notes match, and equal scores (notes with the same text) occur.
class KnowledgeRankingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::mt19937 random(11);
        static const char* syllables[] = {"ka", "lo", "mi", "ren", "sto", "va", "del", "tor"};
        std::uniform_int_distribution<int> syllableCount(1, 3), syllable(0, 7);
        for (int i = 0; i < 120; ++i) {
            std::string word;
            for (int s = syllableCount(random); s > 0; --s) {
                word += syllables[syllable(random)];
            }
            vocabulary.push_back(word);
        }
        std::vector<double> weights;
        for (std::size_t i = 0; i < vocabulary.size(); ++i) {
            weights.push_back(1.0 / static_cast<double>(i + 1));
        }
        pick = std::discrete_distribution<int>(weights.begin(), weights.end());
        std::uniform_int_distribution<int> length(3, 60);
        for (int n = 0; n < 300; ++n) {
            std::string text = "# note " + std::to_string(n) + "\n\n";
            for (int w = length(random); w > 0; --w) {
                text += word(random) + (w % 11 == 0 ? "\n\n" : " ");
            }
            write(notes / ("area" + std::to_string(n % 4)) / ("note " + std::to_string(n) + ".md"), text);
            if (n % 50 == 0) {
                write(notes / "copies" / ("copy " + std::to_string(n) + ".md"), text);
            }
        }
        defaults.set(SecondBrainIndexer::foldersKey, DefaultsValue(std::vector<std::string>{notes.string()}));
        indexer = std::make_unique<SecondBrainIndexer>(dir / "support", defaults, loop, clock);
        settle();
        for (int i = 0; i < 12; ++i) {
            typeLine(random);
        }
    }

    std::string word(std::mt19937& random) { return vocabulary[static_cast<std::size_t>(pick(random))]; }

    // What the overlay sends at the pauses of one line that reach the index:
    // the line so far, after each word from the third on and once inside the
    // last one.
    void typeLine(std::mt19937& random)
    {
        std::uniform_int_distribution<int> words(3, 12);
        std::string line;
        for (int w = words(random), typed = 1; w > 0; --w, ++typed) {
            line += word(random) + " ";
            if (typed >= 3) {
                searches.push_back(line);
            }
        }
        const auto last = word(random);
        searches.push_back(
            line + last.substr(0, std::uniform_int_distribution<std::size_t>(1, last.size())(random)));
    }

    static void write(const fs::path& file, const std::string& text)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

    void settle()
    {
        ASSERT_TRUE(loop.runUntil([&] {
            indexer->getDatabaseQueue().sync([] {});
            return loop.pendingCount() == 0 && !indexer->isIndexing();
        }));
        indexer->getDatabaseQueue().sync([] {});
        loop.runUntilIdle();
    }

    // Every search's scores, from the remembered counts and from bm25.
    void expectScoresAsBm25()
    {
        for (const auto& text : searches) {
            const auto query = KnowledgeSuggestionEngine::cleanFTSQuery(text);
            indexer->getDatabaseQueue().sync([&] {
                KnowledgeRanking* ranking = indexer->getRanking();
                ASSERT_NE(ranking, nullptr);
                const auto counts = ranking->documentCounts(KnowledgeSuggestionEngine::queryPhrases(text));
                ASSERT_TRUE(counts.has_value()) << text;
                ranking->useCounts(*counts);
                const auto ranked = scores(indexer->getDatabasePointer(), rankingSql, query);
                ranking->useCounts({});
                EXPECT_EQ(ranked, scores(indexer->getDatabasePointer(), bm25Sql, query)) << text;
                // Without counts for its phrases the function counts as bm25 does.
                EXPECT_EQ(scores(indexer->getDatabasePointer(), rankingSql, query),
                          scores(indexer->getDatabasePointer(), bm25Sql, query))
                    << text;
            });
        }
    }

    std::vector<KnowledgeSuggestionModel> plainSearch(const std::string& text)
    {
        std::vector<KnowledgeSuggestionModel> hits;
        indexer->getDatabaseQueue().sync([&] {
            SqliteStatement statement(indexer->getDatabasePointer(), plainSearchSql);
            statement.bindText(1, KnowledgeSuggestionEngine::cleanFTSQuery(text));
            while (statement.step() == SqliteStatement::Step::row) {
                hits.push_back({.title = statement.columnText(0),
                                .snippet = statement.columnText(1),
                                .filePath = statement.columnText(2),
                                .sourceName = statement.columnText(3)});
            }
        });
        return hits;
    }

    void expectHitsAsThePlainSearch()
    {
        KnowledgeSuggestionEngine engine(*indexer);
        for (const auto& text : searches) {
            const auto found = engine.search(text);
            const auto expected = plainSearch(text);
            ASSERT_EQ(found.size(), expected.size()) << text;
            for (std::size_t i = 0; i < found.size(); ++i) {
                EXPECT_EQ(found[i].title, expected[i].title) << text;
                EXPECT_EQ(found[i].snippet, expected[i].snippet) << text;
                EXPECT_EQ(found[i].filePath, expected[i].filePath) << text;
                EXPECT_EQ(found[i].sourceName, expected[i].sourceName) << text;
            }
        }
    }

    TempDir dir;
    fs::path notes = dir / "vault";
    SimClock clock;
    SimMainLoop loop{clock};
    UserDefaults defaults{""};
    std::unique_ptr<SecondBrainIndexer> indexer;
    std::vector<std::string> vocabulary;
    std::discrete_distribution<int> pick;
    std::vector<std::string> searches;
};

TEST_F(KnowledgeRankingTest, ScoresAreBm25sBeforeAndAfterTheIndexChanges)
{
    // Enough matches per search that the order is really tested.
    std::size_t ranked = 0;
    indexer->getDatabaseQueue().sync([&] {
        for (const auto& text : searches) {
            ranked +=
                scores(indexer->getDatabasePointer(), bm25Sql, KnowledgeSuggestionEngine::cleanFTSQuery(text))
                    .size() > 3;
        }
    });
    ASSERT_GT(ranked, 0u);

    expectScoresAsBm25();
    // Rows written one by one, in rarer words: the remembered counts are stale.
    for (std::size_t i = 10; i < 40; ++i) {
        indexer->indexFileDirectly("extra", vocabulary[i] + " " + vocabulary[i + 1] + " " + vocabulary[i + 2],
                                   "/x", "s");
    }
    expectScoresAsBm25();
    // A rebuild over a changed tree: a new connection.
    fs::remove_all(notes / "area1");
    indexer->triggerAsyncReindex();
    settle();
    expectScoresAsBm25();
}

TEST_F(KnowledgeRankingTest, SearchFindsWhatThePlainQueryFindsInTheSameOrder)
{
    // Terms in no note among them: the search stops before the query runs.
    searches.push_back(searches[2] + " quokka");
    searches.push_back("quokka " + searches[3]);
    expectHitsAsThePlainSearch();
    // Notes holding what found nothing: the lines typed on find them now.
    KnowledgeSuggestionEngine engine(*indexer);
    std::size_t foundNothing = 0;
    for (const auto& text : searches) {
        if (engine.search(text).empty()) {
            indexer->indexFileDirectly("late", text + " quokka", "/late", "s");
            ++foundNothing;
        }
    }
    ASSERT_GT(foundNothing, 0u);
    expectHitsAsThePlainSearch();
    EXPECT_THAT(engine.search(searches[2] + " quokka"), Not(IsEmpty()));
}

TEST_F(KnowledgeRankingTest, ATermInNoNoteFindsNothingUntilANoteHasIt)
{
    KnowledgeSuggestionEngine engine(*indexer);
    EXPECT_THAT(engine.search("zebra narwhal quokka"), IsEmpty());
    indexer->indexFileDirectly("zoo", "a zebra, a narwhal and a quokka", "/zoo", "s");
    const auto hits = engine.search("zebra narwhal quokka");
    ASSERT_THAT(hits, SizeIs(1));
    EXPECT_EQ(hits[0].title, "zoo");
}

}  // namespace
}  // namespace qm::test
