// The exact requests of the three services, as the server receives them and as
// the services hand them to the HTTP client (header order, idle timeout).
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/Text.h"
#include "store/KeychainHelper.h"
#include "suggestions/AIServiceRig.h"
#include "support/TempDir.h"

namespace qm {
namespace {

using test::AIServiceRig;
using test::FakeReply;
using test::RecordedRequest;
using test::ServiceKind;
using test::StreamRecorder;
using test::traitsOf;

const std::string kPrompt = "Fix \"this\" line\ncaf\u00e9 \u2615";

// Method, path, every header but Host (by name, ignoring case: the order on
// the wire is the client's affair), a blank line, the body.
std::string wireText(const RecordedRequest& request)
{
    std::vector<std::pair<std::string, std::string>> lines;
    for (const auto& [name, value] : request.headers) {
        if (text::lowercased(name) != "host") {
            lines.emplace_back(text::lowercased(name), name + ": " + value + "\n");
        }
    }
    std::sort(lines.begin(), lines.end());
    std::string text = request.method + " " + request.path + "\n";
    for (const auto& line : lines) {
        text += line.second;
    }
    return text + "\n" + request.body;
}

// The request as the service built it: headers in the order set.
std::string builtText(const HttpRequest& request, const std::string& base)
{
    std::string text = request.method + " " + request.url.substr(base.size()) + " idle " +
                       text::describe(request.idleTimeout) + "\n";
    for (const auto& [name, value] : request.headers) {
        text += name + ": " + value + "\n";
    }
    return text;
}

struct GoldenCase {
    const char* what;
    ServiceKind kind;
    std::function<void(AIProvider&)> run;
    FakeReply reply;
    const char* wire;
    const char* built;
};

void generate(AIProvider& service)
{
    service.generateResponse(kPrompt, std::nullopt, 1024, {});
}

std::function<void(AIProvider&)> stream(std::string model)
{
    return [model](AIProvider& service) {
        StreamRecorder recorder;
        service.streamResponse(kPrompt, model, 512, {}, recorder.handler());
        ASSERT_TRUE(recorder.waitForEnd());
        EXPECT_FALSE(recorder.failure());
    };
}

void probe(AIProvider& service)
{
    EXPECT_TRUE(service.validateApiKey("sk-given-probe-key", {}));
}

FakeReply whole(ServiceKind kind)
{
    return FakeReply::whole(200, traitsOf(kind).wholeReply("ok"));
}

FakeReply streamed(ServiceKind kind)
{
    return FakeReply::stream({traitsOf(kind).pieceLine("ok"), traitsOf(kind).endLines()});
}

TEST(AIServiceRequestTest, RequestsMatchTheGoldenTexts)
{
    const GoldenCase cases[] = {
        {"Anthropic generate", ServiceKind::anthropic, generate, whole(ServiceKind::anthropic),
         R"(POST /v1/messages
Accept: */*
anthropic-version: 2023-06-01
Content-Length: 126
content-type: application/json
x-api-key: sk-ant-test-0001

{"max_tokens":1024,"messages":[{"content":"Fix \"this\" line\ncafé ☕","role":"user"}],"model":"claude-3-5-sonnet-20241022"})",
         R"(POST /v1/messages idle 15.0
x-api-key: sk-ant-test-0001
anthropic-version: 2023-06-01
content-type: application/json
)"},
        {"Anthropic stream", ServiceKind::anthropic, stream("claude-3-haiku"),
         streamed(ServiceKind::anthropic),
         R"(POST /v1/messages
Accept: */*
anthropic-version: 2023-06-01
Content-Length: 127
content-type: application/json
x-api-key: sk-ant-test-0001

{"max_tokens":512,"messages":[{"content":"Fix \"this\" line\ncafé ☕","role":"user"}],"model":"claude-3-haiku","stream":true})",
         R"(POST /v1/messages idle 15.0
x-api-key: sk-ant-test-0001
anthropic-version: 2023-06-01
content-type: application/json
)"},
        {"Anthropic key probe", ServiceKind::anthropic, probe, whole(ServiceKind::anthropic),
         R"(POST /v1/messages
Accept: */*
anthropic-version: 2023-06-01
Content-Length: 101
content-type: application/json
x-api-key: sk-given-probe-key

{"max_tokens":1,"messages":[{"content":"say ok","role":"user"}],"model":"claude-3-5-sonnet-20241022"})",
         R"(POST /v1/messages idle 5.0
x-api-key: sk-given-probe-key
anthropic-version: 2023-06-01
content-type: application/json
)"},
        {"OpenAI generate", ServiceKind::openai, generate, whole(ServiceKind::openai),
         R"(POST /v1/chat/completions
Accept: */*
Authorization: Bearer sk-openai-test-0002
Content-Length: 124
Content-Type: application/json

{"max_tokens":1024,"messages":[{"content":"Fix \"this\" line\ncafé ☕","role":"user"}],"model":"gpt-4o","temperature":0.7})",
         R"(POST /v1/chat/completions idle 15.0
Authorization: Bearer sk-openai-test-0002
Content-Type: application/json
)"},
        {"OpenAI stream", ServiceKind::openai, stream("gpt-4.1"), streamed(ServiceKind::openai),
         R"(POST /v1/chat/completions
Accept: */*
Authorization: Bearer sk-openai-test-0002
Content-Length: 138
Content-Type: application/json

{"max_tokens":512,"messages":[{"content":"Fix \"this\" line\ncafé ☕","role":"user"}],"model":"gpt-4.1","stream":true,"temperature":0.7})",
         R"(POST /v1/chat/completions idle 15.0
Authorization: Bearer sk-openai-test-0002
Content-Type: application/json
)"},
        {"OpenAI key probe", ServiceKind::openai, probe, whole(ServiceKind::openai),
         R"(POST /v1/chat/completions
Accept: */*
Authorization: Bearer sk-given-probe-key
Content-Length: 86
Content-Type: application/json

{"max_tokens":1,"messages":[{"content":"say ok","role":"user"}],"model":"gpt-4o-mini"})",
         R"(POST /v1/chat/completions idle 5.0
Authorization: Bearer sk-given-probe-key
Content-Type: application/json
)"},
        {"Ollama generate", ServiceKind::ollama, generate, whole(ServiceKind::ollama),
         R"(POST /api/chat
Accept: */*
Content-Length: 134
Content-Type: application/json

{"messages":[{"content":"Fix \"this\" line\ncafé ☕","role":"user"}],"model":"llama3","options":{"num_predict":1024},"stream":false})",
         R"(POST /api/chat idle 5.0
Content-Type: application/json
)"},
        {"Ollama stream", ServiceKind::ollama, stream("mistral"), streamed(ServiceKind::ollama),
         R"(POST /api/chat
Accept: */*
Content-Length: 133
Content-Type: application/json

{"messages":[{"content":"Fix \"this\" line\ncafé ☕","role":"user"}],"model":"mistral","options":{"num_predict":512},"stream":true})",
         R"(POST /api/chat idle 5.0
Content-Type: application/json
)"},
        {"Ollama server check", ServiceKind::ollama, probe, FakeReply::whole(200, R"({"models":[]})"),
         R"(GET /api/tags
Accept: */*

)",
         R"(GET /api/tags idle 2.0
)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AIServiceRig rig;
        rig.server.reply(traitsOf(c.kind).path, c.reply);
        rig.server.reply("/api/tags", c.reply);
        auto service = rig.make(c.kind);
        c.run(*service);
        const auto received = rig.server.requests();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(wireText(received.front()), c.wire);
        const auto built = rig.http.requests();
        ASSERT_EQ(built.size(), 1u);
        EXPECT_EQ(builtText(built.front(), rig.server.baseUrl()), c.built);
    }
}

TEST(AIServiceRequestTest, ModelsAndPromptsAreSentUnchanged)
{
    for (const auto kind : test::kAllServices) {
        SCOPED_TRACE(test::serviceName(kind));
        AIServiceRig rig;
        rig.server.reply(traitsOf(kind).path, whole(kind));
        auto service = rig.make(kind);
        const std::string prompt = "  padded\t prompt \n";
        service->generateResponse(prompt, std::string(), 7, {});
        const auto body = nlohmann::json::parse(rig.server.requests().front().body);
        EXPECT_EQ(body["model"], "");
        EXPECT_EQ(body["messages"][0]["content"], prompt);
        EXPECT_EQ(body["messages"].size(), 1u);
        EXPECT_EQ(body["messages"][0].size(), 2u);
    }
}

// The keys come from the secret store itself: trimmed, read afresh on each
// request, and a key that is only white space counts as none.
TEST(AIServiceRequestTest, KeysAreReadFromTheSecretStoreOnEveryRequest)
{
    test::TempDir support;
    KeychainHelper secrets(nullptr, support.path());

    AIServiceRig rig;
    rig.server.reply("/v1/messages", whole(ServiceKind::anthropic));
    rig.server.reply("/v1/chat/completions", whole(ServiceKind::openai));
    const SecretLoader store = [&secrets](std::string_view service, std::string_view key) {
        return secrets.load(service, key);
    };
    HttpAIService anthropic(rig.http, rig.streams, AIServiceProfile::anthropic(store, rig.server.baseUrl()));
    HttpAIService openai(rig.http, rig.streams, AIServiceProfile::openAI(store, rig.server.baseUrl()));

    ASSERT_EQ(secrets.save("QuillmarkerAI", "anthropic", "  sk-ant-first\n"), errSecSuccess);
    ASSERT_EQ(secrets.save("QuillmarkerAI", "openai", "sk-oa-first"), errSecSuccess);
    anthropic.generateResponse("a", std::nullopt, 1, {});
    openai.generateResponse("a", std::nullopt, 1, {});
    ASSERT_EQ(secrets.save("QuillmarkerAI", "anthropic", "sk-ant-second"), errSecSuccess);
    anthropic.generateResponse("a", std::nullopt, 1, {});
    ASSERT_EQ(secrets.save("QuillmarkerAI", "anthropic", " \n\t "), errSecSuccess);
    try {
        anthropic.generateResponse("a", std::nullopt, 1, {});
        ADD_FAILURE() << "a blank key was used";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.code(), 401);
    }

    const auto received = rig.server.requests();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].header("x-api-key"), "sk-ant-first");
    EXPECT_EQ(received[1].header("Authorization"), "Bearer sk-oa-first");
    EXPECT_EQ(received[2].header("x-api-key"), "sk-ant-second");
}

}  // namespace
}  // namespace qm
