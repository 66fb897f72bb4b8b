#pragma once

#include "base/Paths.h"
#include "base/SqliteStatement.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/storage/UserDefaults.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;

namespace qm {

class Clock;

// The local rules database "QuillmarkerRules.db": one SQLite connection, used
// only on the serial queue "com.quillmarker.databaseQueue". It creates its ten
// tables and seeds the built-in rules and excluded applications when built.
//
// Failures never throw: they print or log an "❌ SQLite" line and give an empty
// result, false, -1 or nothing. Every write tells its caller whether it was
// stored (true when its statements ran to completion, or the new row id / -1),
// so that a caller answering someone else can report the failure.
//
// Every operation except the two asynchronous inserts waits for its block on the
// queue; none may be called from inside a performRaw block (the queue would wait
// for itself).
class DatabaseManager {
public:
    // One result row: column name -> SQLite's text form of the value ("" for NULL).
    using Row = std::map<std::string, std::string>;
    using Rows = std::vector<Row>;
    using StringMap = std::map<std::string, std::string>;
    // A loaded graph node or edge: text columns as strings, "properties" as a
    // map of strings, the time columns as doubles.
    using GraphValue = std::variant<std::string, double, StringMap>;
    using GraphRecord = std::map<std::string, GraphValue>;
    using GraphRecords = std::vector<GraphRecord>;

    // `applicationSupport` is the folder holding "com.quillmarker.app"; without
    // one there is no connection and every statement fails. `defaults` supplies
    // the repetition thresholds of the templates. Both references must outlive
    // this object.
    DatabaseManager(const Clock& clock, std::optional<std::filesystem::path> applicationSupport,
                    const UserDefaults& defaults);
    virtual ~DatabaseManager();
    DatabaseManager(const DatabaseManager&) = delete;
    DatabaseManager& operator=(const DatabaseManager&) = delete;

    // Generic statements.
    virtual void performRaw(const std::function<void(sqlite3*)>& block);
    virtual bool executeNonQuery(const std::string& sql);
    virtual bool executeNonQueryWithParams(const std::string& sql, const std::vector<std::string>& args);
    virtual Rows executeQuery(const std::string& sql);

    // Field memory. The insert returns at once; its future tells whether the value was stored.
    virtual std::future<bool>
    insertFieldMemory(const std::string& fieldContext, const std::string& appBundleId,
                      const std::optional<std::string>& domain, const std::optional<std::string>& fieldLabel,
                      const std::string& valueHash, const std::string& valueEncryptedBase64);
    virtual Rows fetchFieldMemory(const std::string& fieldContext, const std::string& appBundleId,
                                  const std::optional<std::string>& domain);
    virtual Rows fetchAllFieldMemories();
    virtual bool deleteFieldMemory(const std::string& id);
    virtual bool purgeOldFieldMemory(int days = 180);

    // MCP context and knowledge.
    virtual bool updateMCPContext(const std::optional<std::string>& project,
                                  const std::optional<std::string>& topic,
                                  const std::optional<std::string>& relatedNotes,
                                  const std::optional<std::string>& activeDecision,
                                  const std::optional<std::string>& metadata);
    virtual std::optional<Row> fetchMCPContext();
    virtual bool insertMCPKnowledge(const std::string& key, const std::string& valueEncrypted,
                                    const std::string& context, const std::optional<std::string>& tags);
    virtual Rows fetchAllMCPKnowledge();

    // Knowledge graph and its synchronisation values.
    virtual bool saveNode(const std::string& id, const std::string& type, const std::string& name,
                          const StringMap& properties, double createdAt, double updatedAt);
    virtual bool deleteNode(const std::string& id);
    virtual bool saveEdge(const std::string& id, const std::string& source, const std::string& target,
                          const std::string& relationship, const StringMap& properties, double createdAt);
    virtual bool deleteEdge(const std::string& id);
    virtual GraphRecords fetchNodes();
    virtual GraphRecords fetchEdges();
    virtual bool clearKnowledgeGraph();
    virtual bool saveSyncMetadata(const std::string& key, const std::string& value);
    virtual std::optional<std::string> fetchSyncMetadata(const std::string& key);

    // Captured texts and their skeletons. The asynchronous insert returns at once.
    virtual std::future<bool> insertCapturedTextAsync(const std::string& rawText,
                                                      const std::string& appBundleId,
                                                      const std::optional<std::string>& domain);
    virtual std::int64_t insertCapturedText(const std::string& rawText, const std::string& appBundleId,
                                            const std::optional<std::string>& domain);
    virtual Rows fetchAllSkeletons();
    virtual Rows fetchActiveTemplates(const std::string& appBundleId);
    virtual std::int64_t insertSkeleton(std::int64_t rawTextId, const std::string& skeletonText);
    virtual bool incrementSkeletonCount(std::int64_t skeletonId);
    virtual bool deleteSkeleton(std::int64_t skeletonId);
    virtual Rows fetchDiscoveredSkeletons();
    virtual bool clearAllHistory();

    // Excluded applications and built-in rules.
    virtual std::vector<std::string> fetchExclusionList();
    virtual Rows fetchExclusionDetails();
    virtual bool addExclusion(const std::string& id, const std::string& category,
                              const std::string& reasoning);
    virtual bool deleteExclusion(const std::string& id);
    virtual Rows fetchRulesConfig();
    virtual bool updateRuleEnabled(const std::string& id, bool isEnabled);

private:
    void openDatabase(const std::optional<std::filesystem::path>& applicationSupport);
    void createTables();
    void seedDefaultRules();

    // Helpers for blocks already running on the queue.
    SqliteStatement prepare(const std::string& sql) const;
    std::string errorMessage() const;
    bool upsertFieldMemory(const std::string& fieldContext, const std::string& appBundleId,
                           const std::optional<std::string>& domain,
                           const std::optional<std::string>& fieldLabel, const std::string& valueHash,
                           const std::string& valueEncryptedBase64);
    SqliteStatement prepareCapturedTextInsert(const std::string& rawText, const std::string& appBundleId,
                                              const std::optional<std::string>& domain);
    std::int64_t repetitionThreshold(const std::string& appBundleId) const;
    GraphRecords fetchGraphRecords(const std::string& sql, const std::vector<std::string>& textColumns,
                                   const std::vector<std::string>& timeColumns);
    bool saveGraphRecord(const std::string& sql, const std::vector<std::string>& texts,
                         const std::vector<double>& times, const std::string& logPrefix);

    const Clock& clock_;
    const UserDefaults& defaults_;
    SerialQueue dbQueue_;
    sqlite3* db_ = nullptr;
};

}  // namespace qm
