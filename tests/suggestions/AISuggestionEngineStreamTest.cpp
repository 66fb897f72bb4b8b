// Streamed answers through the engine: on the main thread, in order, filling
// the cache only when they finish, and stopping at once when cancelled.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Text.h"
#include "platform/network/UrlError.h"
#include "suggestions/AIServiceRig.h"
#include "suggestions/AISuggestionEngineRig.h"

namespace qm {
namespace {

using test::AISuggestionEngineRig;
using SteadyClock = std::chrono::steady_clock;

// What the main thread was handed.
struct MainThreadRecord {
    std::vector<std::string> chunks;
    std::optional<PlatformError> failure;
    int ends = 0;
    bool offMainThread = false;
};

AIStreamHandler recordOn(MainThreadRecord& record, MainLoop& loop)
{
    return {[&record, &loop](const std::string& chunk) {
                record.offMainThread |= !loop.isMainThread();
                record.chunks.push_back(chunk);
            },
            [&record, &loop](const std::optional<PlatformError>& failure) {
                record.offMainThread |= !loop.isMainThread();
                record.failure = failure;
                ++record.ends;
            }};
}

TEST(AISuggestionEngineStreamTest, PiecesReachTheMainThreadInOrderAndTheAnswerIsCached)
{
    AISuggestionEngineRig rig;
    auto& engine = rig.makeWithFakes();
    rig.openai->streamChunks = {"Kurz", "er ", "", "Text \u2615"};
    MainThreadRecord record;

    engine.streamAIResponse("Long text", AIActionType::translate("German"), 1024, {},
                            recordOn(record, rig.loop));

    // The prompt was built before the call returned.
    ASSERT_EQ(rig.openai->calls().size(), 1u);
    const auto prompt = rig.openai->calls().front().prompt;
    EXPECT_TRUE(rig.openai->calls().front().streamed);
    EXPECT_EQ(prompt, engine.buildFinalPrompt("Long text", AIActionType::translate("German")));
    const auto promptTokens = static_cast<std::int64_t>(text::graphemeCount(prompt) / 4);

    ASSERT_TRUE(rig.loop.runUntil([&] { return record.ends > 0; }));
    EXPECT_FALSE(record.offMainThread);
    EXPECT_EQ(record.chunks, rig.openai->streamChunks);
    EXPECT_FALSE(record.failure);
    EXPECT_EQ(engine.totalTokensUsed(),
              promptTokens + static_cast<std::int64_t>(text::graphemeCount("Kurzer Text \u2615") / 4));

    // A whole-answer request for the same thing is served from what was streamed.
    rig.clock.advance(120);
    const auto cached = engine.generateAIResponse("Long text", AIActionType::translate("German"), 1024, {});
    EXPECT_EQ(cached.text, "Kurzer Text \u2615");
    EXPECT_EQ(cached.provider, "openai");
    EXPECT_EQ(rig.openai->calls().size(), 1u);
}

TEST(AISuggestionEngineStreamTest, AFailedStreamEndsWithItsErrorAndIsNotCached)
{
    AISuggestionEngineRig rig;
    auto& engine = rig.makeWithFakes();
    engine.setActiveProviderName("anthropic");
    rig.anthropic->streamChunks = {"Part"};
    rig.anthropic->failure = PlatformError("AnthropicService", 500, "Overloaded");
    MainThreadRecord record;

    engine.streamAIResponse("Long text", AIActionType::summarize(), 1024, {}, recordOn(record, rig.loop));
    ASSERT_TRUE(rig.loop.runUntil([&] { return record.ends > 0; }));
    EXPECT_EQ(record.chunks, std::vector<std::string>{"Part"});
    EXPECT_EQ(record.failure, PlatformError("AnthropicService", 500, "Overloaded"));
    // The prompt's estimate stays counted; the partial answer adds nothing.
    const auto promptOnly = engine.totalTokensUsed();
    EXPECT_EQ(promptOnly,
              static_cast<std::int64_t>(text::graphemeCount(rig.anthropic->calls().front().prompt) / 4));

    rig.anthropic->failure.reset();
    rig.anthropic->answer = [](const auto&) { return std::string("Whole"); };
    EXPECT_EQ(engine.generateAIResponse("Long text", AIActionType::summarize(), 1024, {}).text, "Whole");
    EXPECT_EQ(rig.anthropic->calls().size(), 2u);
    EXPECT_GT(engine.totalTokensUsed(), promptOnly);
}

// Through the real OpenAI service and HTTP client: the user cancels on the main
// thread after three pieces have been appended.
TEST(AISuggestionEngineStreamTest, CancellingStopsTheTransferAndNothingMoreIsAppended)
{
    test::AIServiceRig services;
    std::vector<std::string> pieces;
    for (int i = 0; i < 40; ++i) {
        pieces.push_back(test::traitsOf(test::ServiceKind::openai).pieceLine("w" + std::to_string(i) + " "));
    }
    services.server.reply("/v1/chat/completions", test::FakeReply::stream(pieces, 0.25));
    AISuggestionEngineRig rig;
    auto& engine =
        rig.make(services.make(test::ServiceKind::openai), services.make(test::ServiceKind::anthropic),
                 services.make(test::ServiceKind::ollama));

    CancellationToken cancel;
    std::string appended;
    std::optional<PlatformError> failure;
    bool ended = false;
    SteadyClock::time_point cancelledAt;
    engine.streamAIResponse("Long text", AIActionType::summarize(), 1024, cancel,
                            {[&](const std::string& chunk) {
                                 appended += chunk;
                                 if (appended == "w0 w1 w2 ") {
                                     // As the user would, a little later, from the main loop.
                                     rig.loop.post([&] {
                                         std::this_thread::sleep_for(std::chrono::milliseconds(30));
                                         cancelledAt = SteadyClock::now();
                                         cancel.cancel();
                                     });
                                 }
                             },
                             [&](const std::optional<PlatformError>& end) {
                                 failure = end;
                                 ended = true;
                             }});

    ASSERT_TRUE(rig.loop.runUntil([&] { return ended; }, 5.0));
    EXPECT_LT(std::chrono::duration<double>(SteadyClock::now() - cancelledAt).count(), 0.1);
    EXPECT_EQ(failure, UrlError::make(UrlError::cancelled));
    EXPECT_EQ(appended, "w0 w1 w2 ");
    EXPECT_TRUE(services.server.waitForClientToLeave(1.0));
    rig.loop.runUntil([] { return false; }, 0.3);
    EXPECT_EQ(appended, "w0 w1 w2 ");

    // Cut short, so never cached: the whole-answer request goes to the server.
    services.server.reply(
        "/v1/chat/completions",
        test::FakeReply::whole(200, test::traitsOf(test::ServiceKind::openai).wholeReply("Whole")));
    EXPECT_EQ(engine.generateAIResponse("Long text", AIActionType::summarize(), 1024, {}).text, "Whole");
    EXPECT_EQ(services.server.requestCount(), 2u);
}

}  // namespace
}  // namespace qm
