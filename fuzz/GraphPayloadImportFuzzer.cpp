// Fuzzer-made payloads through the whole-graph and the team import, on a real
// rules database. The first byte picks what the rest is: (even) a payload as
// received, or (odd) a plaintext document, sealed here under the importing
// passphrase so that the parser and the merge see it. No crash, no hang, time
// linear in the input; a refused payload reports an error of its kind and
// leaves the graph empty; an accepted team payload leaves only rows tagged
// with the importing team.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "FuzzBudget.h"
#include "base/AesGcmError.h"
#include "knowledge/GraphPayloadSealer.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/SyncError.h"
#include "knowledge/SyncManager.h"
#include "knowledge/TeamSyncError.h"
#include "knowledge/TeamWorkspaceManager.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"

namespace {

using namespace qm;

constexpr const char* kName = "GraphPayloadImportFuzzer";
const std::string kPassphrase = "correct horse";
const std::string kTeam = "team-a";

// The console of the code under test is closed (the database logs every
// refused edge); this file's own failures still need a way out.
std::FILE* report = stderr;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(report, "%s: %s\n", kName, what);
        std::fflush(report);
        std::abort();
    }
}

std::optional<std::string> fixedRandom(std::size_t count)
{
    return std::string(count, '\x5a');
}

struct World {
    explicit World(const std::filesystem::path& folder) : database(clock, folder, defaults)
    {
        database.executeNonQuery("PRAGMA synchronous = OFF;");
        database.executeNonQuery("PRAGMA journal_mode = MEMORY;");
    }

    SimClock clock;
    UserDefaults defaults{""};
    DatabaseManager database;
    GraphQueryEngine graph{database, clock};
};

World* world = nullptr;

bool graphIsEmpty()
{
    return world->database.fetchNodes().empty() && world->database.fetchEdges().empty();
}

bool allTagged(const DatabaseManager::GraphRecords& rows)
{
    for (const auto& row : rows) {
        const auto properties = row.find("properties");
        if (properties == row.end()) {
            return false;
        }
        const auto& map = std::get<DatabaseManager::StringMap>(properties->second);
        const auto team = map.find("team_id");
        if (team == map.end() || team->second != kTeam) {
            return false;
        }
    }
    return true;
}

// A refusal names the cipher or this kind's own parse, team or key failure.
bool expectedRefusal(const std::error_code& error, bool isTeam)
{
    if (error.category() == errorCategory<AesGcmError>()) {
        return error == AesGcmError::authenticationFailure || error == AesGcmError::incorrectParameterSize;
    }
    if (isTeam) {
        return error == TeamSyncError::parseFailed || error == TeamSyncError::teamMismatch;
    }
    return error == SyncError::parseFailed;
}

// One import of `payload` of each kind, each merge awaited (destroying the
// manager drains its queue), the graph checked and emptied.
void importBoth(const std::string& wholePayload, const std::string& teamPayload, bool timed)
{
    bool wholeAccepted = false;
    {
        SyncManager sync(world->database, world->graph, world->clock, fixedRandom);
        std::error_code error;
        const auto call = [&](const std::string& bytes) {
            return sync.importEncryptedGraph(bytes, kPassphrase, error);
        };
        const bool accepted =
            timed ? qm::fuzz::linearIn(kName, "whole import", wholePayload, call) : call(wholePayload);
        if (!accepted) {
            check(expectedRefusal(error, false), "whole import refused with an unexpected error");
        }
        wholeAccepted = accepted;
    }
    if (!wholeAccepted) {
        check(graphIsEmpty(), "refused whole-graph payload changed the graph");
    }
    world->database.clearKnowledgeGraph();

    bool accepted = false;
    {
        TeamWorkspaceManager team(world->database, world->graph, world->clock, fixedRandom);
        std::error_code error;
        accepted = team.importTeamPayload(teamPayload, kPassphrase, kTeam, error);
        if (!accepted) {
            check(expectedRefusal(error, true), "team import refused with an unexpected error");
        }
    }
    if (accepted) {
        check(allTagged(world->database.fetchNodes()), "team import left a node of another team");
        check(allTagged(world->database.fetchEdges()), "team import left an edge of another team");
    } else {
        check(graphIsEmpty(), "refused team payload changed the graph");
    }
    world->database.clearKnowledgeGraph();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (const int copy = dup(STDERR_FILENO); copy >= 0) {
        if (std::FILE* file = fdopen(copy, "w")) {
            report = file;
        }
    }
    static std::vector<char*> arguments;
    arguments.assign(*argv, *argv + *argc);
    static char closeConsole[] = "-close_fd_mask=3";
    arguments.insert(arguments.begin() + 1, closeConsole);
    arguments.push_back(nullptr);
    *argc = static_cast<int>(arguments.size() - 1);
    *argv = arguments.data();

    std::string pattern = (std::filesystem::temp_directory_path() / "qm-graph-payload-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::abort();
    }
    static const std::filesystem::path folder = pattern;
    world = new World(folder);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1) == 0) {
        importBoth(rest, rest, true);
        return 0;
    }
    const auto sealAs = [&](std::string_view info) {
        const GraphPayloadSealer sealer(std::string(info), {}, fixedRandom);
        std::error_code error;
        const auto sealed = sealer.seal(rest, kPassphrase, error);
        check(sealed.has_value(), "sealing a plaintext failed");
        check(sealer.open(*sealed, kPassphrase, error) == rest, "a sealed plaintext did not open again");
        return *sealed;
    };
    importBoth(sealAs(SyncManager::kHkdfInfo), sealAs(TeamWorkspaceManager::kHkdfInfo), false);
    return 0;
}
