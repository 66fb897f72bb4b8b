// The MCP server under load: 50 clients, each with 1000 requests pipelined on
// one connection, every reply checked to come exactly once with its id.
// Printed beside a plain Asio echo server measured the same way in the same
// run, so the figure shows what the server adds to bare TCP on this machine.
// The requests name no method, so the handler's own cost stays out of it.
// Three repetitions unless --benchmark_repetitions says otherwise; Google
// Benchmark prints the mean, median and spread of each counter over them.
// Run with 1>/dev/null 2>&1 for the log lines of the server; figures go to the table.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <asio.hpp>
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "BenchArguments.h"
#include "StandInBench.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeGraphEngine.h"
#include "knowledge/MCPAIGenerator.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/MCPLineHandler.h"
#include "knowledge/MCPMemorySealer.h"
#include "knowledge/MCPRequestHandler.h"
#include "knowledge/MCPServer.h"
#include "knowledge/MCPSuggestionQueue.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"

namespace {

using namespace qm;
using Stopwatch = std::chrono::steady_clock;

constexpr int kClients = 50;
constexpr int kRequestsPerClient = 1000;
constexpr int kBatch = 50;
const std::string kToken(64, 'a');

class NoSealer final : public MCPMemorySealer {
public:
    std::optional<std::string> encrypt(std::string_view) override { return std::nullopt; }
};

class NoAI final : public MCPAIGenerator {
public:
    void generateAIResponse(const std::string&, const Action&, std::int64_t, Completion completion) override
    {
        completion({std::nullopt, "no AI in the benchmark"});
    }
};

// A bare Asio echo: what comes in goes back out.
class EchoServer {
public:
    EchoServer() : acceptor_(io_, {asio::ip::address_v4::loopback(), 0})
    {
        acceptNext();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~EchoServer()
    {
        io_.stop();
        thread_.join();
    }
    std::uint16_t port() const { return acceptor_.local_endpoint().port(); }

private:
    struct Session : std::enable_shared_from_this<Session> {
        explicit Session(asio::ip::tcp::socket s) : socket(std::move(s)) {}
        void read()
        {
            socket.async_read_some(asio::buffer(data),
                                   [self = shared_from_this()](std::error_code e, std::size_t n) {
                                       if (!e) {
                                           asio::async_write(self->socket, asio::buffer(self->data, n),
                                                             [self](std::error_code w, std::size_t) {
                                                                 if (!w) {
                                                                     self->read();
                                                                 }
                                                             });
                                       }
                                   });
        }
        asio::ip::tcp::socket socket;
        char data[65536];
    };

    void acceptNext()
    {
        acceptor_.async_accept([this](std::error_code e, asio::ip::tcp::socket socket) {
            if (!e) {
                socket.set_option(asio::ip::tcp::no_delay(true));
                std::make_shared<Session>(std::move(socket))->read();
            }
            acceptNext();
        });
    }

    asio::io_context io_{1};
    asio::ip::tcp::acceptor acceptor_;
    std::thread thread_;
};

struct LoadResult {
    double seconds = 0;
    std::vector<double> latenciesMs;
    bool everyReplyOnce = true;
};

int connectTo(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        std::abort();
    }
    return fd;
}

void sendAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            std::abort();
        }
        done += static_cast<std::size_t>(n);
    }
}

// One client: writes its requests in batches from one thread while another
// reads the replies, matching each to the moment its batch left.
void runClient(std::uint16_t port, int client, bool authenticate, std::vector<double>& latencies,
               bool& complete)
{
    const int fd = connectTo(port);
    if (authenticate) {
        sendAll(fd, "Authorization: Bearer " + kToken + "\n");
    }
    std::vector<Stopwatch::time_point> sentAt(kRequestsPerClient);
    std::thread writer([&] {
        for (int first = 0; first < kRequestsPerClient; first += kBatch) {
            std::string batch;
            for (int i = first; i < first + kBatch; ++i) {
                batch += R"({"jsonrpc": "2.0", "id": ")" + std::to_string(client) + "-" + std::to_string(i) +
                         R"(", "method": "bench.none"})"
                         "\n";
            }
            const auto now = Stopwatch::now();
            for (int i = first; i < first + kBatch; ++i) {
                sentAt[static_cast<std::size_t>(i)] = now;
            }
            sendAll(fd, batch);
        }
    });
    std::vector<int> seen(kRequestsPerClient, 0);
    std::string pending;
    char chunk[65536];
    int replies = 0;
    const std::string prefix = std::to_string(client) + "-";
    while (replies < kRequestsPerClient) {
        const auto n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            break;
        }
        const auto arrived = Stopwatch::now();
        pending.append(chunk, static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (auto newline = pending.find('\n'); newline != std::string::npos;
             newline = pending.find('\n', start)) {
            const auto line = nlohmann::json::parse(pending.substr(start, newline - start));
            start = newline + 1;
            const std::string id = line.value("id", "");
            const int index = id.starts_with(prefix) ? std::stoi(id.substr(prefix.size())) : -1;
            if (index < 0 || index >= kRequestsPerClient) {
                complete = false;
                continue;
            }
            ++seen[static_cast<std::size_t>(index)];
            ++replies;
            latencies.push_back(
                std::chrono::duration<double, std::milli>(arrived - sentAt[static_cast<std::size_t>(index)])
                    .count());
        }
        pending.erase(0, start);
    }
    writer.join();
    ::close(fd);
    complete = complete && std::all_of(seen.begin(), seen.end(), [](int count) { return count == 1; });
}

LoadResult runLoad(std::uint16_t port, bool authenticate)
{
    std::vector<std::vector<double>> latencies(kClients);
    std::vector<char> complete(kClients, 1);
    const auto began = Stopwatch::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            bool ok = true;
            runClient(port, c, authenticate, latencies[static_cast<std::size_t>(c)], ok);
            complete[static_cast<std::size_t>(c)] = ok;
        });
    }
    for (auto& thread : clients) {
        thread.join();
    }
    LoadResult result;
    result.seconds = std::chrono::duration<double>(Stopwatch::now() - began).count();
    for (std::size_t c = 0; c < latencies.size(); ++c) {
        result.latenciesMs.insert(result.latenciesMs.end(), latencies[c].begin(), latencies[c].end());
        result.everyReplyOnce = result.everyReplyOnce && complete[c] &&
                                latencies[c].size() == static_cast<std::size_t>(kRequestsPerClient);
    }
    std::sort(result.latenciesMs.begin(), result.latenciesMs.end());
    return result;
}

double percentile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty()) {
        return 0;
    }
    return sorted[std::min(sorted.size() - 1,
                           static_cast<std::size_t>(p * static_cast<double>(sorted.size())))];
}

void report(benchmark::State& state, const LoadResult& result)
{
    const double requests = static_cast<double>(kClients) * kRequestsPerClient;
    state.SetIterationTime(result.seconds);
    state.counters["requests_per_s"] = requests / result.seconds;
    state.counters["p50_ms"] = percentile(result.latenciesMs, 0.50);
    state.counters["p99_ms"] = percentile(result.latenciesMs, 0.99);
    state.counters["max_ms"] = result.latenciesMs.empty() ? 0 : result.latenciesMs.back();
    state.counters["every_reply_once"] = result.everyReplyOnce ? 1 : 0;
    if (!result.everyReplyOnce) {
        state.SkipWithError("a reply was lost, repeated or carried a wrong id");
    }
}

struct World {
    World() : folder(home.path()), database(clock, folder, defaults)
    {
        database.executeNonQuery("PRAGMA synchronous = OFF;");
    }
    bench::PrivateHome home;
    SimClock clock;
    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    std::filesystem::path folder;
    UserDefaults defaults{""};
    DatabaseManager database;
    NoSealer sealer;
    NoAI ai;
    MCPSuggestionQueue suggestions{clock};
    GraphQueryEngine graph{database, clock};
    MCPHubManager hub{graph, clock};
    KnowledgeGraphEngine graphEngine{database, clock, folder.string()};
    MCPRequestHandler handler{{database, desktop.workspace(), desktop.accessibility(), sealer, ai,
                               suggestions, hub, graphEngine, clock}};
    ConcurrentQueue requests{"com.quillmarker.bench.mcpRequests"};
    MCPLineHandler lines{handler, requests};
};

void BM_EchoBaseline(benchmark::State& state)
{
    EchoServer echo;
    for (auto _ : state) {
        report(state, runLoad(echo.port(), false));
    }
}
BENCHMARK(BM_EchoBaseline)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_MCPServer(benchmark::State& state)
{
    static World world;
    MCPServer server(
        world.lines, world.hub, [] { return std::optional(kToken); }, 0);
    server.start();
    for (auto _ : state) {
        report(state, runLoad(*server.port(), true));
    }
}
BENCHMARK(BM_MCPServer)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qm::bench::BenchArguments arguments(argc, argv);
    benchmark::Initialize(arguments.argc(), arguments.argv());
    if (benchmark::ReportUnrecognizedArguments(*arguments.argc(), arguments.argv())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
