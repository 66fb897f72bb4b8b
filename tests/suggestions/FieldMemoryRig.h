#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "store/DatabaseManagerTest.h"
#include "store/PrivacyFirewall.h"
#include "store/sim/SimSecretStore.h"
#include "suggestions/FieldMemoryEngine.h"

namespace qm::test {

// A field-memory engine on a seeded rules database in a temporary folder, with
// the in-memory secret store, in-memory defaults and a firewall whose
// refreshes run at once.
class FieldMemoryRig : public DatabaseManagerTest {
protected:
    std::unique_ptr<FieldMemoryEngine> makeEngine(SecretStore& store)
    {
        return std::make_unique<FieldMemoryEngine>(*db, store, defaults, firewall);
    }

    // The rows as stored, oldest id first.
    DatabaseManager::Rows storedRows()
    {
        return db->executeQuery("SELECT field_context, app_bundle_id, IFNULL(domain, '<null>') AS domain, "
                                "IFNULL(field_label, '<null>') AS field_label, value_hash, value_encrypted, "
                                "frequency, last_used FROM field_memory ORDER BY id;");
    }

    // Waits for the inserts already queued: a read runs after them on the database's queue.
    void drain() { (void)db->executeQuery("SELECT 1;"); }

    std::optional<std::string> storedKey() const
    {
        return secrets.stored(KeychainHelper::service, FieldMemoryEngine::keyItem);
    }

    PrivacyFirewall firewall{*db, clock, [](std::function<void()> task) { task(); }};
    SimSecretStore secrets;
    std::unique_ptr<FieldMemoryEngine> engine = makeEngine(secrets);
};

}  // namespace qm::test
