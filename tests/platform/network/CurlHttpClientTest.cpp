#include "platform/linux/network/CurlHttpClient.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <httplib.h>

#include <gtest/gtest.h>

#include "support/FakeHttpServer.h"

namespace qm::test {
namespace {

using Code = HttpError::Code;
using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// Runs the request and gives the loader's error code, or nothing when an answer came.
std::optional<Code> failureOf(CurlHttpClient& client, const HttpRequest& request,
                              const CancellationToken& cancellation = {})
{
    try {
        client.perform(request, cancellation);
        return std::nullopt;
    } catch (const HttpError& error) {
        EXPECT_EQ(error.domain(), "HttpClient");
        EXPECT_STREQ(error.what(), HttpError::describe(error.httpCode()));
        return error.httpCode();
    }
}

class CurlHttpClientTest : public ::testing::Test {
protected:
    HttpRequest get(const std::string& path, double idleTimeout = 5.0) const
    {
        HttpRequest request;
        request.url = server.baseURL() + path;
        request.idleTimeout = idleTimeout;
        return request;
    }

    FakeHttpServer server;
    CurlHttpClient client;
};

TEST_F(CurlHttpClientTest, SendsTheRequestAsBuiltAndReturnsTheWholeAnswer)
{
    server.setHandler([](const FakeHttpServer::Request&, httplib::Response& response) {
        response.status = 201;
        response.set_header("Retry-After", " 30 ");
        response.set_content("{\"ok\":true}", "application/json");
    });
    HttpRequest request;
    request.method = "POST";
    request.url = server.baseURL() + "/api/chat.postMessage?x=1";
    request.headers = {{"Authorization", "Bearer xoxb-1"},
                       {"Content-Type", "application/json; charset=utf-8"}};
    request.body = R"({"channel":"C1","text":"hé"})";

    const HttpResponse response = client.perform(request, CancellationToken());

    EXPECT_EQ(response.status, 201);
    EXPECT_EQ(response.body, "{\"ok\":true}");
    EXPECT_EQ(response.header("retry-after"), "30");
    EXPECT_EQ(response.header("Content-Type"), "application/json");
    EXPECT_EQ(response.header("X-Missing"), std::nullopt);
    ASSERT_EQ(server.requestCount(), 1u);
    const auto sent = server.requests().front();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.target, "/api/chat.postMessage?x=1");
    EXPECT_EQ(sent.header("Authorization"), "Bearer xoxb-1");
    EXPECT_EQ(sent.header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(sent.header("Expect"), std::nullopt);
    EXPECT_EQ(sent.body, R"({"channel":"C1","text":"hé"})");
}

TEST_F(CurlHttpClientTest, AnyStatusIsAnAnswer)
{
    server.setHandler([](const FakeHttpServer::Request&, httplib::Response& response) {
        FakeHttpServer::respondJson(response, "oops", 500);
    });
    const HttpResponse response = client.perform(get("/x"), CancellationToken());
    EXPECT_EQ(response.status, 500);
    EXPECT_EQ(response.body, "oops");
}

TEST_F(CurlHttpClientTest, ABodyCutShortIsALostConnection)
{
    server.setHandler([](const FakeHttpServer::Request&, httplib::Response& response) {
        FakeHttpServer::respondCutShort(response, R"({"ok":true,"chan)", 400);
    });
    EXPECT_EQ(failureOf(client, get("/x")), Code::networkConnectionLost);
}

// The time-out counts silence, not the whole transfer: a slow answer that
// keeps coming is fine, a server that goes quiet is not.
TEST_F(CurlHttpClientTest, IdleTimeOutCountsOnlySilence)
{
    server.setHandler([this](const FakeHttpServer::Request& request, httplib::Response& response) {
        if (request.path == "/quiet") {
            server.holdUntilReleased();
            response.set_content("late", "text/plain");
            return;
        }
        response.set_chunked_content_provider("text/plain", [](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= 8) {
                sink.done();
                return true;
            }
            std::this_thread::sleep_for(milliseconds(100));
            sink.write("ab", 2);
            return true;
        });
    });

    const auto start = SteadyClock::now();
    EXPECT_EQ(failureOf(client, get("/quiet", 0.3)), Code::timedOut);
    const auto waited = SteadyClock::now() - start;
    EXPECT_GE(waited, milliseconds(300));
    EXPECT_LT(waited, milliseconds(2000));
    server.release();

    // Four pieces 100 ms apart: 400 ms in all, never 250 ms quiet. Uncompressed,
    // or the server would hold the pieces back to compress them together.
    HttpRequest slow = get("/slow", 0.25);
    slow.headers = {{"Accept-Encoding", "identity"}};
    EXPECT_EQ(client.perform(slow, CancellationToken()).body, "abababab");
}

TEST_F(CurlHttpClientTest, CancellationEndsARequestInFlight)
{
    server.setHandler(
        [this](const FakeHttpServer::Request&, httplib::Response&) { server.holdUntilReleased(); });
    CancellationToken cancellation;
    std::thread canceller([&] {
        if (server.waitForRequests(1)) {
            std::this_thread::sleep_for(milliseconds(50));
        }
        cancellation.cancel();
    });
    const auto start = SteadyClock::now();
    EXPECT_EQ(failureOf(client, get("/held", 30), cancellation), Code::cancelled);
    EXPECT_LT(SteadyClock::now() - start, milliseconds(2000));
    canceller.join();
    EXPECT_EQ(server.requestCount(), 1u);

    // Already cancelled: nothing is sent.
    EXPECT_EQ(failureOf(client, get("/held"), cancellation), Code::cancelled);
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(CurlHttpClientTest, RequestsThatCannotBeMadeFailWithoutReachingTheServer)
{
    HttpRequest injected = get("/x");
    injected.headers = {{"Authorization", "Bearer a\r\nX-Injected: 1"}};
    EXPECT_EQ(failureOf(client, injected), Code::badURL);
    HttpRequest badMethod = get("/x");
    badMethod.method = "GET /other";
    EXPECT_EQ(failureOf(client, badMethod), Code::badURL);
    HttpRequest otherScheme = get("/x");
    otherScheme.url = "file:///etc/passwd";
    EXPECT_EQ(failureOf(client, otherScheme), Code::unsupportedURL);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(CurlHttpClientTest, NoServerIsAConnectionFailure)
{
    std::string closedURL;
    {
        FakeHttpServer gone;
        closedURL = gone.baseURL();
    }
    HttpRequest request;
    request.url = closedURL + "/x";
    request.idleTimeout = 5;
    EXPECT_EQ(failureOf(client, request), Code::cannotConnectToHost);
}

}  // namespace
}  // namespace qm::test
