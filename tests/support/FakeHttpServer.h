#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Response;
}  // namespace httplib

namespace qm::test {

// An HTTP server on 127.0.0.1 at a free port, for tests of network code. It
// records every request and answers through the handler the test sets. It is
// bounded: requests past `maxRequests` get 503 without reaching the handler,
// and a handler held by holdUntilReleased() goes on after `maxHold` at the
// latest. The destructor releases held handlers, stops the server and joins
// its thread.
class FakeHttpServer {
public:
    struct Request {
        std::string method;
        std::string path;
        // The raw target, query included, as sent.
        std::string target;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;

        // The first field of that name (any case), or nothing.
        std::optional<std::string> header(std::string_view name) const;
    };
    // Runs on one of the server's threads.
    using Handler = std::function<void(const Request&, httplib::Response&)>;

    explicit FakeHttpServer(std::size_t maxRequests = 40,
                            std::chrono::milliseconds maxHold = std::chrono::seconds(10));
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    // "http://127.0.0.1:<port>".
    std::string baseURL() const;

    void setHandler(Handler handler);

    std::vector<Request> requests() const;
    std::size_t requestCount() const;
    // Waits (five seconds at most) until `count` requests have arrived.
    bool waitForRequests(std::size_t count) const;

    // For handlers: blocks until release() (or the destructor, or maxHold).
    void holdUntilReleased();
    void release();

    // Answers: a JSON body with status 200 unless told otherwise.
    static void respondJson(httplib::Response& response, const std::string& body, int status = 200);
    // Promises `promised` bytes, sends `sent` of them and drops the connection.
    static void respondCutShort(httplib::Response& response, std::string sent, std::size_t promised);

private:
    void handle(const Request& request, httplib::Response& response);

    const std::size_t maxRequests_;
    const std::chrono::milliseconds maxHold_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    Handler handler_;
    std::vector<Request> requests_;
    bool released_ = false;
};

}  // namespace qm::test
