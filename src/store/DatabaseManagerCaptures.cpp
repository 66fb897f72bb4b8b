#include "store/DatabaseManager.h"

#include "base/Log.h"
#include "base/Text.h"
#include "platform/runtime/Clock.h"
#include "store/StoreDefaultsKeys.h"

#include <fmt/format.h>
#include <sqlite3.h>

namespace qm {

namespace {

constexpr double kTemplateWindowSeconds = 2'592'000;  // 30 days
constexpr std::int64_t kDefaultTerminalThreshold = 2;
constexpr std::int64_t kDefaultGeneralThreshold = 3;

bool isTerminalLike(const std::string& appBundleId)
{
    const std::string lowered = text::lowercased(appBundleId);
    return lowered.find("terminal") != std::string::npos || lowered.find("iterm") != std::string::npos;
}

}  // namespace

SqliteStatement DatabaseManager::prepareCapturedTextInsert(const std::string& rawText,
                                                           const std::string& appBundleId,
                                                           const std::optional<std::string>& domain)
{
    auto statement = prepare(
        "INSERT INTO captured_texts (raw_text, app_bundle_id, domain, timestamp) VALUES (?, ?, ?, ?);");
    statement.bindText(1, rawText);
    statement.bindText(2, appBundleId);
    statement.bindTextOrNull(3, domain);
    statement.bindDouble(4, clock_.now());
    return statement;
}

std::future<bool> DatabaseManager::insertCapturedTextAsync(const std::string& rawText,
                                                           const std::string& appBundleId,
                                                           const std::optional<std::string>& domain)
{
    auto stored = std::make_shared<std::promise<bool>>();
    auto result = stored->get_future();
    dbQueue_.async([this, stored, rawText, appBundleId, domain] {
        auto statement = prepareCapturedTextInsert(rawText, appBundleId, domain);
        if (!statement) {
            stored->set_value(false);
            return;
        }
        const bool done = statement.run();
        if (!done) {
            Log::print("❌ SQLite Error: Failed to insert captured text.");
        }
        stored->set_value(done);
    });
    return result;
}

std::int64_t DatabaseManager::insertCapturedText(const std::string& rawText, const std::string& appBundleId,
                                                 const std::optional<std::string>& domain)
{
    return dbQueue_.syncResult([&]() -> std::int64_t {
        auto statement = prepareCapturedTextInsert(rawText, appBundleId, domain);
        if (!statement || !statement.run()) {
            return -1;
        }
        return sqlite3_last_insert_rowid(db_);
    });
}

DatabaseManager::Rows DatabaseManager::fetchAllSkeletons()
{
    return executeQuery("SELECT id, raw_text_id, skeleton_text, occurrence_count, last_seen FROM skeletons;");
}

// A missing value, or one that is not an integer, gives the default.
std::int64_t DatabaseManager::repetitionThreshold(const std::string& appBundleId) const
{
    const bool terminal = isTerminalLike(appBundleId);
    const auto value = defaults_.objectForKey(terminal ? StoreDefaultsKeys::repetitionThresholdTerminal
                                                       : StoreDefaultsKeys::repetitionThresholdGeneral);
    if (const std::int64_t* configured = value ? value->get<std::int64_t>() : nullptr) {
        return *configured;
    }
    return terminal ? kDefaultTerminalThreshold : kDefaultGeneralThreshold;
}

DatabaseManager::Rows DatabaseManager::fetchActiveTemplates(const std::string& appBundleId)
{
    const double cutoff = clock_.now() - kTemplateWindowSeconds;
    const std::string sql =
        fmt::format("SELECT s.id, s.skeleton_text, s.occurrence_count, s.last_seen, c.raw_text\n"
                    "FROM skeletons s\n"
                    "JOIN captured_texts c ON s.raw_text_id = c.id\n"
                    "WHERE s.occurrence_count >= {} AND s.last_seen >= {};",
                    repetitionThreshold(appBundleId), text::describe(cutoff));
    return executeQuery(sql);
}

std::int64_t DatabaseManager::insertSkeleton(std::int64_t rawTextId, const std::string& skeletonText)
{
    return dbQueue_.syncResult([&]() -> std::int64_t {
        auto statement = prepare("INSERT INTO skeletons (raw_text_id, skeleton_text, occurrence_count, "
                                 "last_seen) VALUES (?, ?, 1, ?);");
        if (!statement) {
            return -1;
        }
        // Row ids are 64-bit: a narrower bind would point the skeleton at another captured text.
        statement.bindInt(1, rawTextId);
        statement.bindText(2, skeletonText);
        statement.bindDouble(3, clock_.now());
        if (!statement.run()) {
            return -1;
        }
        return sqlite3_last_insert_rowid(db_);
    });
}

bool DatabaseManager::incrementSkeletonCount(std::int64_t skeletonId)
{
    return executeNonQueryWithParams(
        "UPDATE skeletons SET occurrence_count = occurrence_count + 1, last_seen = ? WHERE id = ?;",
        {text::describe(clock_.now()), std::to_string(skeletonId)});
}

bool DatabaseManager::deleteSkeleton(std::int64_t skeletonId)
{
    return executeNonQueryWithParams("DELETE FROM skeletons WHERE id = ?;", {std::to_string(skeletonId)});
}

DatabaseManager::Rows DatabaseManager::fetchDiscoveredSkeletons()
{
    return executeQuery("SELECT s.id, s.skeleton_text, s.occurrence_count, s.last_seen, c.raw_text\n"
                        "FROM skeletons s\n"
                        "JOIN captured_texts c ON s.raw_text_id = c.id\n"
                        "ORDER BY s.occurrence_count DESC;");
}

bool DatabaseManager::clearAllHistory()
{
    const bool skeletons = executeNonQuery("DELETE FROM skeletons;");
    const bool capturedTexts = executeNonQuery("DELETE FROM captured_texts;");
    const bool fieldMemory = executeNonQuery("DELETE FROM field_memory;");
    return skeletons && capturedTexts && fieldMemory;
}

std::vector<std::string> DatabaseManager::fetchExclusionList()
{
    std::vector<std::string> ids;
    for (const auto& row : executeQuery("SELECT id FROM exclusion_list;")) {
        if (auto id = row.find("id"); id != row.end()) {
            ids.push_back(id->second);
        }
    }
    return ids;
}

DatabaseManager::Rows DatabaseManager::fetchExclusionDetails()
{
    return executeQuery("SELECT id, category, reasoning FROM exclusion_list;");
}

bool DatabaseManager::addExclusion(const std::string& id, const std::string& category,
                                   const std::string& reasoning)
{
    return executeNonQueryWithParams(
        "INSERT OR REPLACE INTO exclusion_list (id, category, reasoning) VALUES (?, ?, ?);",
        {id, category, reasoning});
}

bool DatabaseManager::deleteExclusion(const std::string& id)
{
    return executeNonQueryWithParams("DELETE FROM exclusion_list WHERE id = ?;", {id});
}

DatabaseManager::Rows DatabaseManager::fetchRulesConfig()
{
    return executeQuery(
        "SELECT id, name, pattern, category, description, severity, is_enabled FROM rules_config;");
}

bool DatabaseManager::updateRuleEnabled(const std::string& id, bool isEnabled)
{
    return executeNonQueryWithParams("UPDATE rules_config SET is_enabled = ? WHERE id = ?;",
                                     {isEnabled ? "1" : "0", id});
}

}  // namespace qm
