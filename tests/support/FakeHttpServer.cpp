#include "support/FakeHttpServer.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include <httplib.h>

// ThreadSanitizer reads this when the test process starts (other builds never
// call it). The fake servers' HTTP library is a system library built without
// instrumentation: what its own worker threads share is synchronised where
// the sanitizer cannot see it, so races inside it are reported falsely.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libcpp-httplib.so\n";
}

namespace qm::test {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::optional<std::string> FakeHttpServer::Request::header(std::string_view name) const
{
    for (const auto& [field, value] : headers) {
        if (sameName(field, name)) {
            return value;
        }
    }
    return std::nullopt;
}

FakeHttpServer::FakeHttpServer(std::size_t maxRequests, std::chrono::milliseconds maxHold)
    : maxRequests_(maxRequests), maxHold_(maxHold), server_(std::make_unique<httplib::Server>())
{
    // One request per connection: nothing lingers in keep-alive when the test ends.
    server_->set_keep_alive_max_count(1);
    auto route = [this](const httplib::Request& raw, httplib::Response& response) {
        Request request{raw.method, raw.path, raw.target, {}, raw.body};
        for (const auto& [name, value] : raw.headers) {
            request.headers.emplace_back(name, value);
        }
        handle(request, response);
    };
    server_->Get(".*", route);
    server_->Post(".*", route);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("the fake HTTP server could not bind to 127.0.0.1");
    }
    // The socket listens from the bind on: connections wait in its backlog until the loop runs.
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // A stop before the loop runs would be lost, and the loop would then wait forever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!server_->is_running()) {
        // The loop may still start: it keeps the server it was given.
        thread_.detach();
        static_cast<void>(server_.release());
        throw std::runtime_error("the fake HTTP server did not start");
    }
}

FakeHttpServer::~FakeHttpServer()
{
    release();
    server_->stop();
    thread_.join();
}

std::string FakeHttpServer::baseURL() const
{
    return "http://127.0.0.1:" + std::to_string(port_);
}

void FakeHttpServer::setHandler(Handler handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<FakeHttpServer::Request> FakeHttpServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t FakeHttpServer::requestCount() const
{
    std::lock_guard lock(mutex_);
    return requests_.size();
}

bool FakeHttpServer::waitForRequests(std::size_t count) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return requests_.size() >= count; });
}

void FakeHttpServer::holdUntilReleased()
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, maxHold_, [this] { return released_; });
}

void FakeHttpServer::release()
{
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

void FakeHttpServer::handle(const Request& request, httplib::Response& response)
{
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (requests_.size() <= maxRequests_) {
            handler = handler_;
        }
    }
    changed_.notify_all();
    if (!handler) {
        response.status = 503;
        return;
    }
    handler(request, response);
}

void FakeHttpServer::respondJson(httplib::Response& response, const std::string& body, int status)
{
    response.status = status;
    response.set_content(body, "application/json");
}

void FakeHttpServer::respondCutShort(httplib::Response& response, std::string sent, std::size_t promised)
{
    response.status = 200;
    response.set_content_provider(
        promised, "application/json",
        [sent = std::move(sent)](std::size_t, std::size_t, httplib::DataSink& sink) {
            sink.write(sent.data(), sent.size());
            return false;  // drops the connection
        });
}

}  // namespace qm::test
