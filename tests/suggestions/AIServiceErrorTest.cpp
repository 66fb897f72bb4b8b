// How each service fails: statuses, replies of the wrong shape, missing keys,
// transport failures and errors reported inside a stream.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/network/UrlError.h"
#include "suggestions/AIServiceFixture.h"

namespace qm {
namespace {

using test::AIServiceRig;
using test::FakeReply;
using test::ServiceKind;
using test::traitsOf;

class AIServiceErrorTest : public test::AIServiceFixture {
protected:
    // The error generate throws, or nothing when it returned.
    std::optional<PlatformError> generateError(const std::string& prompt = "hello")
    {
        try {
            auto service = rig.make(GetParam());
            service->generateResponse(prompt, std::nullopt, 64, {});
        } catch (const PlatformError& error) {
            return error;
        }
        return std::nullopt;
    }

    void expectError(const std::optional<PlatformError>& error, const std::string& domain, long code,
                     const std::string& description)
    {
        ASSERT_TRUE(error) << "no error";
        EXPECT_EQ(error->domain(), domain);
        EXPECT_EQ(error->code(), code);
        EXPECT_EQ(error->localizedDescription(), description);
    }
};

struct StatusCase {
    int status;
    std::string body;
    // What generate reports; stream always reports the prefix and the status.
    std::string description;
};

TEST_P(AIServiceErrorTest, StatusesOtherThan200FailWithTheStatus)
{
    const std::string authError =
        R"({"error":{"type":"authentication_error","message":"invalid x-api-key"}})";
    const std::string modelError =
        R"({"error":{"message":"model 'nope' not found","code":"model_not_found"}})";
    const std::string rateError = R"({"error":{"type":"rate_limit_error","message":"Rate limited"}})";
    const std::string overloaded =
        R"({"type":"error","error":{"type":"overloaded_error","message":"Overloaded"}})";
    const StatusCase cases[] = {
        {401, authError, authError},
        {404, modelError, modelError},
        {404, "model not found, try pulling it first", "model not found, try pulling it first"},
        {429, rateError, rateError},
        {500, "", ""},
        {529, overloaded, overloaded},
        {503, "\xff\xfe not text", "HTTP Error 503"},
        {201, traitsOf(GetParam()).wholeReply("created"), traitsOf(GetParam()).wholeReply("created")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        rig.server.reply(traits().path, FakeReply::whole(c.status, c.body));
        expectError(generateError(), traits().domain, c.status, c.description);

        const auto streamed = runStream();
        expectError(streamed.failure(), traits().domain, c.status,
                    traits().streamStatusPrefix + std::to_string(c.status));
        EXPECT_TRUE(streamed.chunks().empty());
    }
}

TEST_P(AIServiceErrorTest, WholeRepliesOfTheWrongShapeFailWith500)
{
    std::vector<std::string> wrongShapes = {"[]", "\"text\"", "{}"};
    switch (GetParam()) {
    case ServiceKind::anthropic:
        wrongShapes.insert(wrongShapes.end(),
                           {R"({"content":[]})", R"({"content":"text"})", R"({"content":[{"text":null}]})",
                            R"({"content":[{"type":"tool_use"},{"type":"text","text":"later"}]})",
                            R"({"content":[{"text":"ok"},"not an object"]})"});
        break;
    case ServiceKind::openai:
        wrongShapes.insert(wrongShapes.end(),
                           {R"({"choices":[]})", R"({"choices":[{"message":{"content":null}}]})",
                            R"({"choices":[{"delta":{"content":"streamed"}}]})",
                            R"({"choices":[{"message":{"role":"assistant"}}]})",
                            R"({"choices":[{"message":{"content":"ok"}},7]})"});
        break;
    case ServiceKind::ollama:
        wrongShapes.insert(wrongShapes.end(), {R"({"done":true})", R"({"message":"hi"})",
                                               R"({"message":{"content":3}})", R"({"error":"no model"})"});
        break;
    }
    for (const auto& body : wrongShapes) {
        SCOPED_TRACE(body);
        rig.server.reply(traits().path, FakeReply::whole(200, body));
        expectError(generateError(), traits().domain, 500, traits().shapeError);
    }

    rig.server.reply(traits().path, FakeReply::whole(200, "{\"content\": [ broken"));
    expectError(generateError(), "NSCocoaErrorDomain", 3840,
                "The data couldn\u2019t be read because it isn\u2019t in the correct format.");
}

TEST_P(AIServiceErrorTest, WholeRepliesAreTrimmedAndOnlyTheFirstAnswerIsRead)
{
    rig.server.reply(traits().path, FakeReply::whole(200, traits().wholeReply("  word\n")));
    auto service = rig.make(GetParam());
    EXPECT_EQ(service->generateResponse("hello", std::nullopt, 64, {}), "word");
}

// The two services that need a key.
class AICloudServiceKeyTest : public AIServiceErrorTest {};

TEST_P(AICloudServiceKeyTest, AMissingKeyFailsWith401BeforeAnythingIsSent)
{
    const std::string secret = GetParam() == ServiceKind::anthropic ? "anthropic" : "openai";
    rig.server.reply(traits().path, FakeReply::whole(200, traits().wholeReply("never")));
    for (const std::optional<std::string>& stored :
         {std::optional<std::string>(), std::optional<std::string>(" \n\t "),
          std::optional<std::string>("\xff\xfe")}) {
        rig.storeSecret(secret, stored);
        expectError(generateError(), traits().domain, 401, traits().missingKeyMessage);
        const auto streamed = runStream();
        expectError(streamed.failure(), traits().domain, 401, traits().missingKeyMessage);
        EXPECT_TRUE(streamed.chunks().empty());
    }
    EXPECT_EQ(rig.server.requestCount(), 0u);
}

TEST_P(AICloudServiceKeyTest, AKeyQuotedBackByTheServerIsMaskedInTheError)
{
    const std::string key =
        GetParam() == ServiceKind::anthropic ? AIServiceRig::kAnthropicKey : AIServiceRig::kOpenAIKey;
    const std::string quoting =
        "{\"error\":{\"message\":\"Incorrect API key provided: " + key + " (" + key + ")\"}}";
    const std::string masked = "{\"error\":{\"message\":\"Incorrect API key provided: *** (***)\"}}";
    rig.server.reply(traits().path, FakeReply::whole(401, quoting));
    expectError(generateError(), traits().domain, 401, masked);

    rig.server.reply(traits().path, FakeReply::stream({traits().pieceLine("a"), "data: " + quoting + "\n"}));
    expectError(runStream().failure(), traits().domain, 500, "Incorrect API key provided: *** (***)");
}

TEST_P(AIServiceErrorTest, TransportFailuresArePassedOnUnchanged)
{
    test::RefusingPort refusing;
    const std::string unreachable = refusing.baseUrl();
    try {
        rig.make(GetParam(), unreachable)->generateResponse("hello", std::nullopt, 64, {});
        ADD_FAILURE() << "generate reached nothing and returned";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error, UrlError::make(UrlError::cannotConnectToHost));
    }
    EXPECT_EQ(runStream(unreachable).failure(), UrlError::make(UrlError::cannotConnectToHost));

    FakeReply cut = FakeReply::whole(200, traits().wholeReply("half an ans"));
    cut.dropAfterPieces = true;
    rig.server.reply(traits().path, cut);
    EXPECT_EQ(generateError(), UrlError::make(UrlError::networkConnectionLost));

    // The pieces that arrived stay delivered; then the stream ends with the error.
    FakeReply dropped = FakeReply::stream(
        {traits().pieceLine("one "), traits().pieceLine("two "), traits().pieceLine("three")}, 0.01);
    dropped.dropAfterPieces = true;
    rig.server.reply(traits().path, dropped);
    const auto streamed = runStream();
    EXPECT_EQ(streamed.chunks(), (std::vector<std::string>{"one ", "two ", "three"}));
    EXPECT_EQ(streamed.failure(), UrlError::make(UrlError::networkConnectionLost));
    EXPECT_EQ(streamed.ends(), 1);
}

// An error inside a 200 stream ends it with that error, never as a finished,
// shorter answer.
TEST_P(AIServiceErrorTest, AnErrorInsideTheStreamEndsItWithTheErrorsMessage)
{
    std::string errorLine;
    switch (GetParam()) {
    case ServiceKind::anthropic:
        errorLine = "event: error\ndata: "
                    R"({"type":"error","error":{"type":"overloaded_error","message":"Overloaded"}})"
                    "\n\n";
        break;
    case ServiceKind::openai:
        errorLine = "data: "
                    R"({"error":{"message":"Overloaded","type":"server_error"}})"
                    "\n\n";
        break;
    case ServiceKind::ollama:
        errorLine = R"({"error":"Overloaded"})"
                    "\n";
        break;
    }
    rig.server.reply(traits().path, FakeReply::stream({traits().pieceLine("Partial "), errorLine,
                                                       traits().pieceLine("after"), traits().endLines()}));
    const auto streamed = runStream();
    EXPECT_EQ(streamed.chunks(), std::vector<std::string>{"Partial "});
    expectError(streamed.failure(), traits().domain, 500, "Overloaded");
}

INSTANTIATE_TEST_SUITE_P(Services, AICloudServiceKeyTest,
                         ::testing::Values(ServiceKind::anthropic, ServiceKind::openai),
                         [](const auto& info) { return test::serviceName(info.param); });
INSTANTIATE_TEST_SUITE_P(Services, AIServiceErrorTest, ::testing::ValuesIn(test::kAllServices),
                         [](const auto& info) { return test::serviceName(info.param); });

}  // namespace
}  // namespace qm
