#pragma once

// A scripted HTTP server on 127.0.0.1 for tests of code that talks to servers.
// The test starts it, says what each path answers (status, body pieces with
// pauses between them, a stall before the headers, a connection dropped in the
// middle of the body) and stops it by destroying it; every wait is bounded.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

namespace qm::test {

// What one path answers.
struct FakeReply {
    int status = 200;
    std::string contentType = "application/json";
    // The body, written piece by piece with `pauseSeconds` between the pieces.
    std::vector<std::string> pieces;
    double pauseSeconds = 0;
    // Waits this long before the status line.
    double stallSeconds = 0;
    // Chunked transfer encoding instead of a Content-Length.
    bool chunked = false;
    // Closes the connection after the pieces, before the body is complete.
    bool dropAfterPieces = false;

    static FakeReply whole(int status, std::string body, std::string contentType = "application/json")
    {
        FakeReply reply;
        reply.status = status;
        reply.contentType = std::move(contentType);
        reply.pieces = {std::move(body)};
        return reply;
    }

    static FakeReply stream(std::vector<std::string> pieces, double pauseSeconds = 0,
                            std::string contentType = "text/event-stream")
    {
        FakeReply reply;
        reply.contentType = std::move(contentType);
        reply.pieces = std::move(pieces);
        reply.pauseSeconds = pauseSeconds;
        reply.chunked = true;
        return reply;
    }
};

// One request as the server received it.
struct RecordedRequest {
    std::string method;
    std::string path;
    // Names as sent; the server's own bookkeeping entries are left out.
    std::multimap<std::string, std::string> headers;
    std::string body;

    // The value of a header, matched without regard to case.
    std::optional<std::string> header(const std::string& name) const
    {
        for (const auto& [key, value] : headers) {
            if (key.size() == name.size() &&
                std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) ==
                           std::tolower(static_cast<unsigned char>(b));
                })) {
                return value;
            }
        }
        return std::nullopt;
    }
};

class FakeStreamServer {
public:
    using Clock = std::chrono::steady_clock;

    FakeStreamServer()
    {
        server_.set_keep_alive_timeout(1);
        server_.set_read_timeout(2, 0);
        server_.set_write_timeout(2, 0);
        const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
            answer(request, response);
        };
        server_.Get(".*", handler);
        server_.Post(".*", handler);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() does nothing to a server that has not started listening yet.
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!server_.is_running() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    ~FakeStreamServer()
    {
        stopping_ = true;
        server_.stop();
        thread_.join();
    }

    FakeStreamServer(const FakeStreamServer&) = delete;
    FakeStreamServer& operator=(const FakeStreamServer&) = delete;

    int port() const { return port_; }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // Every later request for `path` gets `reply`; other paths get 404.
    void reply(const std::string& path, FakeReply reply)
    {
        std::lock_guard lock(mutex_);
        replies_[path] = std::move(reply);
    }

    std::vector<RecordedRequest> requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    std::size_t requestCount() const
    {
        std::lock_guard lock(mutex_);
        return requests_.size();
    }

    // When a write to a client failed because the client had gone.
    std::optional<Clock::time_point> clientLeftAt() const
    {
        std::lock_guard lock(mutex_);
        return clientLeftAt_;
    }

    // Waits up to `seconds` for the client to go; true when it did.
    bool waitForClientToLeave(double seconds) const
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                                 [this] { return clientLeftAt_.has_value(); });
    }

    // How many pieces of bodies were written successfully.
    std::size_t piecesWritten() const { return piecesWritten_; }

private:
    // Sleeps, but wakes early when the server stops.
    void pause(double seconds) const
    {
        const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(seconds));
        while (!stopping_ && Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    void noteClientLeft()
    {
        std::lock_guard lock(mutex_);
        if (!clientLeftAt_) {
            clientLeftAt_ = Clock::now();
        }
        changed_.notify_all();
    }

    // Writes the pieces; false when the client went away or the server stops.
    bool writePieces(const FakeReply& reply, httplib::DataSink& sink)
    {
        for (std::size_t i = 0; i < reply.pieces.size(); ++i) {
            if (i > 0) {
                pause(reply.pauseSeconds);
            }
            if (stopping_) {
                return false;
            }
            if (!sink.write(reply.pieces[i].data(), reply.pieces[i].size())) {
                noteClientLeft();
                return false;
            }
            ++piecesWritten_;
        }
        return true;
    }

    void answer(const httplib::Request& request, httplib::Response& response)
    {
        FakeReply reply;
        {
            std::lock_guard lock(mutex_);
            RecordedRequest recorded{request.method, request.path, {}, request.body};
            for (const auto& [name, value] : request.headers) {
                if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" &&
                    name != "LOCAL_PORT") {
                    recorded.headers.emplace(name, value);
                }
            }
            requests_.push_back(std::move(recorded));
            const auto found = replies_.find(request.path);
            if (found == replies_.end()) {
                response.status = 404;
                return;
            }
            reply = found->second;
        }
        pause(reply.stallSeconds);
        response.status = reply.status;
        std::size_t length = 0;
        for (const auto& piece : reply.pieces) {
            length += piece.size();
        }
        if (reply.chunked) {
            response.set_chunked_content_provider(
                reply.contentType, [this, reply](std::size_t, httplib::DataSink& sink) {
                    if (!writePieces(reply, sink) || reply.dropAfterPieces) {
                        return false;
                    }
                    sink.done();
                    return true;
                });
        } else if (reply.dropAfterPieces || reply.pieces.size() > 1 || reply.pauseSeconds > 0) {
            // The announced length counts a missing tail when the connection drops.
            const std::size_t announced = length + (reply.dropAfterPieces ? 64 : 0);
            response.set_content_provider(
                announced, reply.contentType,
                [this, reply](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                    return offset == 0 && writePieces(reply, sink) && !reply.dropAfterPieces;
                });
        } else {
            response.set_content(reply.pieces.empty() ? std::string() : reply.pieces.front(),
                                 reply.contentType);
        }
    }

    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<std::size_t> piecesWritten_{0};

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, FakeReply> replies_;
    std::vector<RecordedRequest> requests_;
    std::optional<Clock::time_point> clientLeftAt_;
};

// A port on 127.0.0.1 that refuses connections: bound, so nothing else can
// take it while the test runs, but never listening.
class RefusingPort {
public:
    RefusingPort()
    {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(address);
        if (socket_ >= 0 && ::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~RefusingPort()
    {
        if (socket_ >= 0) {
            ::close(socket_);
        }
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int port() const { return port_; }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    int socket_ = -1;
    int port_ = 0;
};

}  // namespace qm::test
