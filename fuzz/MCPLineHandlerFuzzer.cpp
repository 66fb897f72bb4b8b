// Fuzzer-made request lines through the MCP line handler and every method of
// the request handler, on a real rules database and the stand-in desktop:
// no crash, no hang, and each line answered exactly as the protocol says: one
// compact reply line per JSON object line, with the request's id as received
// and exactly one of "result" and "error"; nothing for any other line. Each
// input's first line also goes out as a context broadcast, which must arrive
// as one line carrying the same texts.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "FuzzBudget.h"
#include "base/AesGcm.h"
#include "base/Base64.h"
#include "base/Json.h"
#include "base/Text.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeGraphEngine.h"
#include "knowledge/MCPAIGenerator.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/MCPLineHandler.h"
#include "knowledge/MCPMemorySealer.h"
#include "knowledge/MCPRequestHandler.h"
#include "knowledge/MCPSuggestionQueue.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"

namespace {

using namespace qm;

constexpr const char* kName = "MCPLineHandlerFuzzer";
constexpr std::size_t kMaxLines = 64;

// The console of the code under test is closed (it logs every refused line);
// failures of this fuzzer's own checks still need a way out.
std::FILE* report = stderr;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(report, "%s: %s\n", kName, what);
        std::fflush(report);
        std::abort();
    }
}

class Sealer : public MCPMemorySealer {
public:
    std::optional<std::string> encrypt(std::string_view text) override
    {
        if (text.starts_with("unsealable")) {
            return std::nullopt;
        }
        std::error_code error;
        const auto box = AesGcm::seal(std::string(32, 'k'), text, error);
        return box ? std::optional(Base64::encode(*box)) : std::nullopt;
    }
};

// Answers at once; a prompt starting with "fail" fails.
class Generator : public MCPAIGenerator {
public:
    void generateAIResponse(const std::string& prompt, const Action& action, std::int64_t maxTokens,
                            Completion completion) override
    {
        if (prompt.starts_with("fail")) {
            completion({std::nullopt,
                        std::make_exception_ptr(std::runtime_error("The provider refused: " + action.text))});
            return;
        }
        completion({Answer{prompt + action.text, "Local", "test", maxTokens}, nullptr});
    }
};

// Keeps what would have been written.
class Connection : public MCPConnectionSink {
public:
    void send(std::string bytes, SendCompletion completion) override
    {
        {
            const std::lock_guard guard(mutex);
            messages.push_back(std::move(bytes));
        }
        changed.notify_all();
        completion(std::nullopt);
    }

    // All messages once there are `count`; aborts after ten seconds without them.
    std::vector<std::string> waitFor(std::size_t count)
    {
        std::unique_lock guard(mutex);
        const bool arrived =
            changed.wait_for(guard, std::chrono::seconds(10), [&] { return messages.size() >= count; });
        check(arrived, "a reply never came");
        return messages;
    }

    void clear()
    {
        const std::lock_guard guard(mutex);
        messages.clear();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> messages;
};

struct World {
    explicit World(const std::filesystem::path& folder)
        : database(clock, folder, defaults), desktop(loop), graphEngine(database, clock, folder.string()),
          handler({database, desktop.workspace(), desktop.accessibility(), sealer, generator, suggestions,
                   hub, graphEngine, clock})
    {
        database.executeNonQuery("PRAGMA synchronous = OFF;");
        database.executeNonQuery("PRAGMA journal_mode = MEMORY;");
        auto editor = desktop.addApplication("com.example.editor", "Editor");
        auto window = editor.addWindow("Draft");
        SimTextFieldSpec spec;
        spec.value = "Some typed text, long enough to be cut: " + std::string(300, 'x');
        spec.placeholder = "Search mail";
        window.addTextField(spec).focus();
        editor.activate();
        loop.runUntilIdle();
        hub.registerConnection(listener, listenerId);
        hub.subscribe(listenerId);
    }

    SimClock clock;
    UserDefaults defaults{""};
    DatabaseManager database;
    SimMainLoop loop{clock};
    StandInDesktop desktop;
    Sealer sealer;
    Generator generator;
    MCPSuggestionQueue suggestions{clock};
    GraphQueryEngine graph{database, clock};
    MCPHubManager hub{graph, clock};
    KnowledgeGraphEngine graphEngine;
    MCPRequestHandler handler;
    ConcurrentQueue requests{"com.quillmarker.fuzz.mcpRequests", 1};
    MCPLineHandler lines{handler, requests};
    // Requests come on `connection`; broadcasts go to `listener`.
    std::shared_ptr<Connection> connection = std::make_shared<Connection>();
    const Uuid connectionId = Uuid::random();
    std::shared_ptr<Connection> listener = std::make_shared<Connection>();
    const Uuid listenerId = Uuid::random();
};

World* world = nullptr;

// What the line handler must make of one line: nothing, or a reply echoing this id (if any).
struct Expectation {
    bool answered = false;
    std::optional<nlohmann::json> id;
};

Expectation expectationFor(std::string_view line)
{
    Expectation expected;
    const auto message = json::parse(text::trimmed(line), MCPLineHandler::kMaxDepth, nullptr);
    if (!message || !message->is_object()) {
        return expected;
    }
    expected.answered = true;
    if (const auto id = message->find("id"); id != message->end()) {
        expected.id = *id;
    }
    return expected;
}

void checkReply(const std::string& message, const Expectation& expected)
{
    check(!message.empty() && message.back() == '\n' && message.find('\n') == message.size() - 1,
          "a reply is not exactly one line");
    const auto reply = json::parse(message, MCPLineHandler::kMaxDepth, nullptr);
    check(reply && reply->is_object(), "a reply is not a JSON object");
    check(message == json::serialize(*reply) + "\n", "a reply is not compact JSON");
    check(reply->value("jsonrpc", "") == "2.0", "a reply without \"jsonrpc\": \"2.0\"");
    check(reply->contains("result") != reply->contains("error"), "a reply without exactly one outcome");
    check(reply->size() == (expected.id ? 3u : 2u), "a reply with other members");
    check(reply->contains("id") == expected.id.has_value(), "the id was added or lost");
    if (expected.id) {
        check(reply->at("id") == *expected.id, "the id did not come back as sent");
    }
    if (const auto error = reply->find("error"); error != reply->end()) {
        check(error->is_object() && error->size() == 2 && error->contains("code") &&
                  error->at("code").is_number_integer() && error->contains("message") &&
                  error->at("message").is_string(),
              "a malformed error object");
    }
}

void checkBroadcast(const std::string& project, const std::string& suggestion)
{
    world->listener->clear();
    world->hub.broadcastContextChange(project, suggestion);
    const auto sent = world->listener->waitFor(1);
    check(sent.size() == 1, "one broadcast arrived more than once");
    const std::string& line = sent[0];
    check(!line.empty() && line.back() == '\n' && line.find('\n') == line.size() - 1,
          "a broadcast is not exactly one line");
    const auto notification = json::parse(line, MCPLineHandler::kMaxDepth, nullptr);
    check(notification && notification->value("method", "") == "quillmarker.contextChanged" &&
              !notification->contains("id"),
          "a broadcast is no contextChanged notification");
    const auto& params = notification->at("params");
    // The writer replaces invalid UTF-8, as it documents.
    check(params.at("project") == text::toUtf8(text::toUtf16(project)) &&
              params.at("suggestion") == text::toUtf8(text::toUtf16(suggestion)),
          "a broadcast changed its texts");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Close the code's console (libFuzzer keeps its own, and the sanitizers'
    // reports, on a copy of stderr), keeping a copy here for this file's checks.
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

    std::string pattern = (std::filesystem::temp_directory_path() / "qm-mcp-line-fuzz-XXXXXX").string();
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
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= input.size() && lines.size() < kMaxLines;) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        lines.push_back(input.substr(start, end - start));
        start = end + 1;
    }

    world->connection->clear();
    std::size_t answered = 0;
    for (const auto line : lines) {
        // The parse is what must stay linear; the line handler does it once more, so it is
        // timed here, where it may be repeated.
        const Expectation expected =
            fuzz::linearIn(kName, "parsing a line", std::string(line),
                           [](const std::string& text) { return expectationFor(text); });
        world->lines.handleLines(std::string(line) + "\n", world->connectionId, world->connection);
        if (expected.answered) {
            checkReply(world->connection->waitFor(++answered).back(), expected);
        }
    }
    // A last request shows that nothing else was answered meanwhile.
    world->lines.handleLines(R"({"id": "end", "method": "quillmarker.queryGraph", "params": {"query": "-"}})"
                             "\n",
                             world->connectionId, world->connection);
    const auto replies = world->connection->waitFor(answered + 1);
    check(replies.size() == answered + 1, "a line was answered that should not have been");
    checkReply(replies.back(), {true, nlohmann::json("end")});

    checkBroadcast(std::string(lines.front()), std::string(input.substr(lines.front().size())));

    // Time moves, so cached graph copies reload and suggestions expire; the graph
    // and the memories are emptied now and then so that reloads stay small.
    world->clock.advance(0.5);
    static unsigned runs = 0;
    if (++runs % 256 == 0) {
        world->database.clearKnowledgeGraph();
        world->database.executeNonQuery("DELETE FROM mcp_knowledge;");
    }
    return 0;
}
