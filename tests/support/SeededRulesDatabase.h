#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace qm {
class DatabaseManager;
}

namespace qm::test {

// Creating and seeding the rules database takes many synced commits, most of a
// second: each kind of seeded database is made once per test process, and a
// rig that composes the app starts from a copy of it.
//
// Puts a copy of the seeded database named `kind` in `applicationSupport`
// (under "com.quillmarker.app"), where the app's DatabaseManager opens it.
// `prepare` adds what this kind holds beyond the seed, the first time.
void copySeededRulesDatabase(const std::filesystem::path& applicationSupport,
                             const std::string& kind = "seeded",
                             const std::function<void(DatabaseManager&)>& prepare = {});

}  // namespace qm::test
