// Streamed replies over the wire: pieces as sent, where each service's reply
// ends, cancellation, and the key probe.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/network/UrlError.h"
#include "suggestions/AIServiceFixture.h"

namespace qm {
namespace {

using test::AIServiceRig;
using test::FakeReply;
using test::ServiceKind;
using test::StreamRecorder;
using test::traitsOf;
using SteadyClock = std::chrono::steady_clock;

// `body` in pieces of `size` bytes: cuts fall inside characters, keys and
// line breaks.
std::vector<std::string> cutEvery(const std::string& body, std::size_t size)
{
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < body.size(); i += size) {
        pieces.push_back(body.substr(i, size));
    }
    return pieces;
}

using AIServiceStreamTest = test::AIServiceFixture;

TEST_P(AIServiceStreamTest, PiecesArriveUntrimmedHoweverTheBodyIsCut)
{
    const std::vector<std::string> pieces = {"  Caf\u00e9", " \u2615\n", "", "\U0001F600 done  "};
    for (const std::string lineBreak : {"\n", "\r\n"}) {
        std::string body = ": keep-alive\n\n";
        for (const auto& piece : pieces) {
            body += traits().pieceLine(piece, lineBreak);
        }
        body += traits().endLines();
        for (const std::size_t size : {std::size_t{1}, std::size_t{3}, std::size_t{7}, body.size()}) {
            SCOPED_TRACE(testing::Message()
                         << "cut every " << size << (lineBreak.size() == 2 ? " CRLF" : " LF"));
            rig.server.reply(traits().path, FakeReply::stream(cutEvery(body, size)));
            const auto streamed = runStream();
            EXPECT_EQ(streamed.chunks(), pieces);
            EXPECT_FALSE(streamed.failure());
        }
    }
}

TEST_P(AIServiceStreamTest, EachServiceEndsItsReplyWhereItsProtocolSays)
{
    // The end lines, then more text a second later.
    FakeReply reply = FakeReply::stream(
        {traits().pieceLine("before"), traits().endLines(), traits().pieceLine("after")}, 0.5);
    rig.server.reply(traits().path, reply);
    const auto start = SteadyClock::now();
    const auto streamed = runStream();
    const double took = std::chrono::duration<double>(SteadyClock::now() - start).count();
    EXPECT_FALSE(streamed.failure());
    if (GetParam() == ServiceKind::openai) {
        // "[DONE]" ends the reading at once; nothing after it is read.
        EXPECT_EQ(streamed.chunks(), std::vector<std::string>{"before"});
        EXPECT_LT(took, 0.9);
    } else {
        // Only the end of the body ends the reply.
        EXPECT_EQ(streamed.chunks(), (std::vector<std::string>{"before", "after"}));
        EXPECT_GE(took, 0.9);
    }
}

TEST_P(AIServiceStreamTest, CancellingMidStreamStopsTheTransferWithin100Milliseconds)
{
    // A quarter of a second between pieces: only the transfer's own watch can
    // notice the cancellation in time.
    std::vector<std::string> pieces;
    for (int i = 0; i < 40; ++i) {
        pieces.push_back(traits().pieceLine("w" + std::to_string(i) + " "));
    }
    rig.server.reply(traits().path, FakeReply::stream(pieces, 0.25));
    auto service = rig.make(GetParam());
    CancellationToken cancel;
    StreamRecorder recorder;
    std::atomic<SteadyClock::rep> cancelledAt{0};
    std::thread canceller;
    // The user cancels a little after the third piece, from another thread.
    recorder.setAfterChunk([&](std::size_t count) {
        if (count == 3) {
            canceller = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                cancelledAt = SteadyClock::now().time_since_epoch().count();
                cancel.cancel();
            });
        }
    });
    service->streamResponse("hello", std::nullopt, 64, cancel, recorder.handler());

    const bool ended = recorder.waitForEnd();
    const auto endedAt = SteadyClock::now();
    if (canceller.joinable()) {
        canceller.join();
    }
    ASSERT_TRUE(ended);
    const double stoppedAfter =
        std::chrono::duration<double>(endedAt -
                                      SteadyClock::time_point(SteadyClock::duration(cancelledAt.load())))
            .count();
    EXPECT_LT(stoppedAfter, 0.1);
    EXPECT_EQ(recorder.failure(), UrlError::make(UrlError::cancelled));
    EXPECT_EQ(recorder.chunks(), (std::vector<std::string>{"w0 ", "w1 ", "w2 "}));
    EXPECT_TRUE(rig.server.waitForClientToLeave(1.0));
    // Nothing more arrives later either.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(recorder.chunks().size(), 3u);
    EXPECT_EQ(recorder.ends(), 1);
}

TEST_P(AIServiceStreamTest, TheProbeAnswersTrueOnlyFor200AndNeverThrows)
{
    const std::string path = GetParam() == ServiceKind::ollama ? "/api/tags" : traits().path;
    for (const int status : {200, 201, 401, 429, 500, 529}) {
        SCOPED_TRACE(status);
        rig.server.reply(path, FakeReply::whole(status, "{}"));
        EXPECT_EQ(rig.make(GetParam())->validateApiKey("sk-probe", {}), status == 200);
    }
    test::RefusingPort refusing;
    EXPECT_FALSE(rig.make(GetParam(), refusing.baseUrl())->validateApiKey("sk-probe", {}));
}

INSTANTIATE_TEST_SUITE_P(Services, AIServiceStreamTest, ::testing::ValuesIn(test::kAllServices),
                         [](const auto& info) { return test::serviceName(info.param); });

// The Ollama server check gives up after two idle seconds.
TEST(LocalOllamaServiceTest, AServerThatDoesNotAnswerIsNotReachable)
{
    AIServiceRig rig;
    FakeReply stalled = FakeReply::whole(200, R"({"models":[]})");
    stalled.stallSeconds = 3.5;
    rig.server.reply("/api/tags", stalled);
    const auto start = SteadyClock::now();
    EXPECT_FALSE(rig.make(ServiceKind::ollama)->validateApiKey("ignored", {}));
    const double took = std::chrono::duration<double>(SteadyClock::now() - start).count();
    EXPECT_GE(took, 1.9);
    EXPECT_LT(took, 3.0);
}

}  // namespace
}  // namespace qm
