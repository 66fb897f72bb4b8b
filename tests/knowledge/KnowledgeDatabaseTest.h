#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"
#include "support/TempDir.h"

namespace qm::test {

// The real database, counting the full reads of the graph.
class CountingDatabase : public DatabaseManager {
public:
    using DatabaseManager::DatabaseManager;

    GraphRecords fetchNodes() override
    {
        ++nodeReads;
        return DatabaseManager::fetchNodes();
    }

    std::atomic<int> nodeReads{0};
};

// A real rules database in a temporary folder, on a manual clock.
class KnowledgeDatabaseTest : public ::testing::Test {
protected:
    KnowledgeDatabaseTest()
    {
        // Each test's writes need not survive a power cut.
        db->executeNonQuery("PRAGMA synchronous = OFF;");
    }

    std::vector<std::string> nodeIds()
    {
        std::vector<std::string> ids;
        for (const auto& row : db->fetchNodes()) {
            ids.push_back(std::get<std::string>(row.at("id")));
        }
        return ids;
    }

    std::vector<std::string> edgeIds()
    {
        std::vector<std::string> ids;
        for (const auto& row : db->fetchEdges()) {
            ids.push_back(std::get<std::string>(row.at("id")));
        }
        return ids;
    }

    TempDir dir;
    SimClock clock;
    UserDefaults defaults{""};  // in memory
    std::unique_ptr<CountingDatabase> db = std::make_unique<CountingDatabase>(clock, dir.path(), defaults);
};

}  // namespace qm::test
