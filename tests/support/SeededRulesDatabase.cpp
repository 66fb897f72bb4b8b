#include "support/SeededRulesDatabase.h"

#include <map>
#include <mutex>

#include "platform/sim/runtime/SimClock.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"
#include "support/TempDir.h"

namespace qm::test {

namespace {

const std::filesystem::path kRelativeFile =
    std::filesystem::path("com.quillmarker.app") / "QuillmarkerRules.db";

}  // namespace

void copySeededRulesDatabase(const std::filesystem::path& applicationSupport, const std::string& kind,
                             const std::function<void(DatabaseManager&)>& prepare)
{
    static std::mutex mutex;
    static std::map<std::string, std::filesystem::path> made;
    std::filesystem::path seeded;
    {
        std::lock_guard lock(mutex);
        auto found = made.find(kind);
        if (found == made.end()) {
            const auto folder = testHome() / ("rules-template-" + kind);
            SimClock clock;
            UserDefaults defaults("");
            {
                DatabaseManager database(clock, folder, defaults);
                if (prepare) {
                    prepare(database);
                }
            }
            found = made.emplace(kind, folder / kRelativeFile).first;
        }
        seeded = found->second;
    }
    const auto file = applicationSupport / kRelativeFile;
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::copy_file(seeded, file, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace qm::test
