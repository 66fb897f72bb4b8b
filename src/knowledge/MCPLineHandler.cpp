#include "knowledge/MCPLineHandler.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Log.h"
#include "base/Text.h"
#include "knowledge/MCPRequestHandler.h"
#include "platform/runtime/ConcurrentQueue.h"

namespace qm {
namespace {

// Whether trimming `line` would leave it as it is: it starts and ends with a
// printable ASCII character. Any other byte may belong to a space, ASCII or
// of another script, and is left to the full trim.
bool startsAndEndsWithoutSpace(std::string_view line)
{
    const auto plain = [](char c) { return c > ' ' && c < 0x7f; };
    return !line.empty() && plain(line.front()) && plain(line.back());
}

// Blank by ASCII alone: such a line is skipped without costing a task.
// Spaces of other scripts are found by the full trim on the worker.
bool isAsciiBlank(std::string_view line)
{
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; });
}

}  // namespace

MCPLineHandler::MCPLineHandler(MCPRequestHandler& handler, ConcurrentQueue& queue)
    : handler_(handler), queue_(queue)
{
}

std::size_t MCPLineHandler::handleLines(std::string_view lines, const Uuid& connectionId,
                                        const std::shared_ptr<MCPConnectionSink>& connection)
{
    const auto end = lines.rfind('\n');
    if (end == std::string_view::npos) {
        return 0;
    }
    // One copy of the lines for all of their tasks, freed by the last of them
    // to finish. A task carries only a pointer to the batch and its line's
    // number, small enough to need no allocation of its own: the server's
    // thread, which makes the tasks, allocates per read, not per request.
    struct Batch {
        MCPLineHandler* handler;
        std::string bytes;
        std::vector<std::string_view> lines;
        Uuid connectionId;
        std::shared_ptr<MCPConnectionSink> connection;
        std::atomic<std::size_t> unfinished{0};
    };
    // Braces, not make_unique: an aggregate made from parentheses is a C++20
    // feature that clang (the fuzz build's compiler) does not have yet.
    auto batch = std::unique_ptr<Batch>(new Batch{this, std::string(lines.substr(0, end + 1)),
                                                  std::vector<std::string_view>(), connectionId, connection});
    const std::string_view bytes = batch->bytes;
    batch->lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
    for (std::size_t start = 0; start < bytes.size();) {
        const auto newline = bytes.find('\n', start);
        const auto line = bytes.substr(start, newline - start);
        start = newline + 1;
        if (!isAsciiBlank(line)) {
            batch->lines.push_back(line);
        }
    }
    const auto queued = batch->lines.size();
    if (queued == 0) {
        return 0;
    }
    batch->unfinished = queued;
    std::vector<ConcurrentQueue::Task> tasks;
    tasks.reserve(queued);
    for (std::size_t index = 0; index < queued; ++index) {
        tasks.emplace_back([shared = batch.get(), index] {
            const auto& connection = shared->connection;
            bool replying = false;
            try {
                replying = shared->handler->handle(shared->lines[index], shared->connectionId, connection);
            } catch (const std::exception& failure) {
                Log::print(std::string("❌ MCP request failed: ") + failure.what());
            } catch (...) {
                Log::print("❌ MCP request failed");
            }
            if (!replying) {
                connection->skipReply();
            }
            if (shared->unfinished.fetch_sub(1, std::memory_order_acq_rel) == 1) {
                delete shared;
            }
        });
    }
    // The tasks own the batch from here on.
    batch.release();
    queue_.asyncAll(tasks);
    return queued;
}

bool MCPLineHandler::handle(std::string_view line, const Uuid& connectionId,
                            const std::shared_ptr<MCPConnectionSink>& connection)
{
    if (!text::isValidUtf8(line)) {
        Log::print("❌ Failed to parse JSON-RPC message: the line is not valid UTF-8");
        return false;
    }
    // Nearly every line starts and ends with a brace: then there is nothing to
    // trim, and no copy of the line to make.
    std::string trimmedCopy;
    std::string_view trimmed = line;
    if (!startsAndEndsWithoutSpace(line)) {
        trimmedCopy = text::trimmed(line);
        trimmed = trimmedCopy;
    }
    if (trimmed.empty()) {
        return false;
    }
    std::string error;
    auto message = json::parse(trimmed, kMaxDepth, &error);
    // The top level must be an object or an array; an array (a batch) is not taken.
    if (message && !message->is_object() && !message->is_array()) {
        message.reset();
        error = "the top level is neither an object nor an array";
    }
    if (!message) {
        Log::print("❌ Failed to parse JSON-RPC message: " + error);
        return false;
    }
    if (!message->is_object()) {
        return false;
    }

    const std::string method = json::stringAt(*message, "method").value_or("");
    nlohmann::json params = nlohmann::json::object();
    if (const auto member = message->find("params"); member != message->end() && member->is_object()) {
        params = std::move(*member);
    }
    std::optional<nlohmann::json> id;
    if (const auto member = message->find("id"); member != message->end()) {
        id = std::move(*member);
    }

    handler_.handleRequest(method, params, id, connectionId, [connection](nlohmann::json reply) {
        std::string bytes;
        try {
            // Invalid UTF-8 cannot come from a parsed request; the writer would replace it anyway.
            bytes = json::serialize(reply);
            bytes += '\n';
        } catch (const std::exception&) {
            // Nothing is sent for a reply that cannot be written, but its place is given back.
            connection->skipReply();
            return;
        }
        connection->send(std::move(bytes), [](const std::optional<MCPConnectionSink::SendError>& failure) {
            if (failure && !failure->connectionClosed) {
                Log::print("⚠️ Error sending response: " + failure->description);
            }
        });
    });
    return true;
}

}  // namespace qm
