#include "platform/linux/network/CurlHttpStreamClient.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/network/UrlError.h"
#include "support/FakeStreamServer.h"

namespace qm {
namespace {

using test::FakeReply;
using test::FakeStreamServer;
using SteadyClock = std::chrono::steady_clock;

double secondsSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// Keeps what arrives; can stop the transfer or run a step after some body bytes.
class Recorder final : public HttpStreamReceiver {
public:
    bool receiveResponse(int statusCode) override
    {
        ++responses;
        status = statusCode;
        return !stopAtResponse;
    }

    bool receiveData(std::string_view bytes) override
    {
        ++dataCalls;
        body.append(bytes);
        if (afterData) {
            afterData(body);
        }
        return stopAfterBytes == 0 || body.size() < stopAfterBytes;
    }

    int responses = 0;
    int status = 0;
    int dataCalls = 0;
    std::string body;
    bool stopAtResponse = false;
    std::size_t stopAfterBytes = 0;
    std::function<void(const std::string&)> afterData;
};

HttpRequest get(const std::string& url, double idle = 5)
{
    HttpRequest request;
    request.url = url;
    request.idleTimeout = idle;
    return request;
}

class CurlHttpStreamClientTest : public ::testing::Test {
protected:
    FakeStreamServer server;
    CurlHttpStreamClient client;
    CancellationToken cancel;
};

TEST_F(CurlHttpStreamClientTest, SendsTheRequestAsGivenAndReturnsTheWholeResponse)
{
    server.reply("/v1/echo", FakeReply::whole(201, "{\"made\":true}"));
    HttpRequest request;
    request.method = "POST";
    request.url = server.baseUrl() + "/v1/echo";
    request.headers = {{"x-api-key", "k-1"}, {"content-type", "application/json"}};
    request.body = "{\"a\":\"\xc3\xa9\"}";

    const auto response = client.send(request, cancel);

    EXPECT_EQ(response.status, 201);
    EXPECT_EQ(response.body, "{\"made\":true}");
    ASSERT_EQ(server.requestCount(), 1u);
    const auto received = server.requests().front();
    EXPECT_EQ(received.method, "POST");
    EXPECT_EQ(received.path, "/v1/echo");
    EXPECT_EQ(received.body, request.body);
    EXPECT_EQ(received.header("x-api-key"), "k-1");
    EXPECT_EQ(received.header("content-type"), "application/json");
    // Nothing that libcurl would add by itself to a POST.
    EXPECT_FALSE(received.header("Expect"));
    EXPECT_EQ(received.headers.count("Content-Type") + received.headers.count("content-type"), 1u);
}

TEST_F(CurlHttpStreamClientTest, StatusesOtherThan200AreResponsesNotErrors)
{
    server.reply("/moved", FakeReply::whole(302, "elsewhere", "text/plain"));
    server.reply("/missing", FakeReply::whole(404, "no such model", "text/plain"));
    server.reply("/empty", FakeReply::whole(500, "", "text/plain"));

    EXPECT_EQ(client.send(get(server.baseUrl() + "/missing"), cancel).body, "no such model");
    EXPECT_EQ(client.send(get(server.baseUrl() + "/empty"), cancel).status, 500);
    // A redirect is reported, never followed.
    const auto moved = client.send(get(server.baseUrl() + "/moved"), cancel);
    EXPECT_EQ(moved.status, 302);
    EXPECT_EQ(server.requestCount(), 3u);
}

TEST_F(CurlHttpStreamClientTest, StreamedPiecesArriveInOrderAsTheyAreSent)
{
    server.reply("/stream", FakeReply::stream({"data: a\n", "data: \xc3", "\xa9\n", "data: c\n"}, 0.05));
    Recorder recorder;
    std::vector<double> arrivals;
    const auto start = SteadyClock::now();
    recorder.afterData = [&](const std::string&) { arrivals.push_back(secondsSince(start)); };

    EXPECT_FALSE(client.perform(get(server.baseUrl() + "/stream"), cancel, recorder));

    EXPECT_EQ(recorder.responses, 1);
    EXPECT_EQ(recorder.status, 200);
    EXPECT_EQ(recorder.body, "data: a\ndata: \xc3\xa9\ndata: c\n");
    // Read as it came, not at the end: the first piece long before the last.
    ASSERT_GE(arrivals.size(), 2u);
    EXPECT_LT(arrivals.front() + 0.09, arrivals.back());
}

TEST_F(CurlHttpStreamClientTest, TheReceiverCanStopAtTheStatusOrInTheBody)
{
    server.reply("/stream", FakeReply::stream({"one\n", "two\n", "three\n"}, 0.02));
    Recorder atStatus;
    atStatus.stopAtResponse = true;
    EXPECT_FALSE(client.perform(get(server.baseUrl() + "/stream"), cancel, atStatus));
    EXPECT_EQ(atStatus.dataCalls, 0);

    Recorder inBody;
    inBody.stopAfterBytes = 4;
    EXPECT_FALSE(client.perform(get(server.baseUrl() + "/stream"), cancel, inBody));
    EXPECT_EQ(inBody.body, "one\n");
}

struct TransportCase {
    const char* what;
    FakeReply reply;
    long code;
    std::string bodyBeforeFailure;
};

TEST_F(CurlHttpStreamClientTest, TransportFailuresComeBackInTheUrlErrorDomain)
{
    FakeReply droppedChunked = FakeReply::stream({"data: 1\n", "data: 2\n", "data: 3\n"});
    droppedChunked.dropAfterPieces = true;
    FakeReply droppedLength = FakeReply::whole(200, "{\"partial\":");
    droppedLength.dropAfterPieces = true;
    FakeReply stalled = FakeReply::whole(200, "late");
    stalled.stallSeconds = 1.5;
    FakeReply stalledMidBody = FakeReply::stream({"first\n", "second\n"}, 1.5);
    const TransportCase cases[] = {
        {"chunked body dropped", droppedChunked, UrlError::networkConnectionLost,
         "data: 1\ndata: 2\ndata: 3\n"},
        {"sized body dropped", droppedLength, UrlError::networkConnectionLost, "{\"partial\":"},
        {"no answer within the idle time", stalled, UrlError::timedOut, ""},
        {"body stalls for longer than the idle time", stalledMidBody, UrlError::timedOut, "first\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        server.reply("/case", c.reply);
        Recorder recorder;
        const auto start = SteadyClock::now();
        const auto failure = client.perform(get(server.baseUrl() + "/case", 0.3), cancel, recorder);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->domain(), UrlError::domain);
        EXPECT_EQ(failure->code(), c.code);
        EXPECT_EQ(recorder.body, c.bodyBeforeFailure);
        EXPECT_LT(secondsSince(start), 1.2);
    }
}

TEST_F(CurlHttpStreamClientTest, IdleMeansWithoutDataNotTheWholeTransfer)
{
    // 0.6 s in all, never more than 0.1 s without a byte.
    std::vector<std::string> pieces(7, "tick\n");
    server.reply("/slow", FakeReply::stream(pieces, 0.1));
    Recorder recorder;
    EXPECT_FALSE(client.perform(get(server.baseUrl() + "/slow", 0.35), cancel, recorder));
    EXPECT_EQ(recorder.body.size(), 7 * 5u);
}

TEST_F(CurlHttpStreamClientTest, RequestsThatCannotBeSentFailWithoutReachingAServer)
{
    test::RefusingPort refusing;
    Recorder recorder;
    const auto refused = client.perform(get(refusing.baseUrl() + "/api/tags"), cancel, recorder);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->code(), UrlError::cannotConnectToHost);
    EXPECT_EQ(refused->localizedDescription(), "Could not connect to the server.");

    const auto otherScheme = client.perform(get("file:///etc/hostname"), cancel, recorder);
    ASSERT_TRUE(otherScheme);
    EXPECT_EQ(otherScheme->code(), UrlError::unsupportedURL);

    // A key with a line break must not write a second header.
    HttpRequest injected = get(server.baseUrl() + "/v1/messages");
    injected.headers = {{"x-api-key", "sk-1\r\nX-Other: 1"}};
    const auto unsafe = client.perform(injected, cancel, recorder);
    ASSERT_TRUE(unsafe);
    EXPECT_EQ(unsafe->domain(), UrlError::domain);

    CancellationToken cancelled;
    cancelled.cancel();
    const auto early = client.perform(get(server.baseUrl() + "/v1/messages"), cancelled, recorder);
    ASSERT_TRUE(early);
    EXPECT_EQ(early->code(), UrlError::cancelled);

    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(recorder.responses, 0);
}

TEST_F(CurlHttpStreamClientTest, CancellingMidStreamStopsTheTransferWithin100Milliseconds)
{
    // Pieces for a long while unless the client goes away; the flag is set from
    // another thread in the quiet time between two pieces, when nothing wakes
    // the transfer but its own watch.
    for (const double pause : {0.02, 0.5}) {
        SCOPED_TRACE(pause);
        std::vector<std::string> pieces(200, "data: piece\n");
        server.reply("/stream", FakeReply::stream(pieces, pause));
        CancellationToken token;
        Recorder recorder;
        std::atomic<std::size_t> received{0};
        std::atomic<std::size_t> receivedAtCancel{0};
        SteadyClock::time_point cancelledAt;
        std::thread canceller;
        recorder.afterData = [&](const std::string& body) {
            received = body.size();
            if (body.size() >= 24 && !canceller.joinable()) {
                canceller = std::thread([&] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(30));
                    cancelledAt = SteadyClock::now();
                    token.cancel();
                    receivedAtCancel = received.load();
                });
            }
        };

        const auto failure = client.perform(get(server.baseUrl() + "/stream"), token, recorder);

        const auto returnedAt = SteadyClock::now();
        canceller.join();
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->code(), UrlError::cancelled);
        EXPECT_EQ(failure->localizedDescription(), "cancelled");
        EXPECT_LT(std::chrono::duration<double>(returnedAt - cancelledAt).count(), 0.1);
        // At most the piece that was being handed over when the flag was set.
        EXPECT_LE(recorder.body.size(), receivedAtCancel + 12);
    }
    EXPECT_TRUE(server.waitForClientToLeave(1.0));
}

}  // namespace
}  // namespace qm
