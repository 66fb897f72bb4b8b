#include "targets/SlackWebAPIClient.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/linux/network/CurlHttpClient.h"
#include "targets/FakeSlackServer.h"
#include "targets/PickerOptionPrinter.h"
#include "targets/SlackError.h"

namespace qm::test {
namespace {

using nlohmann::json;
using Options = std::vector<PickerOption>;
using SteadyClock = std::chrono::steady_clock;

constexpr const char* kToken = "xoxb-1-secret";

// The real client, with the idle time-out of each request shortened (after
// checking that the Slack client asked for its 60 s) so that a silent
// server fails the test in a fraction of a second.
class ShortIdleHttpClient final : public HttpClient {
public:
    HttpResponse perform(const HttpRequest& request, const CancellationToken& cancellation) override
    {
        EXPECT_EQ(request.idleTimeout, 60.0);
        HttpRequest shortened = request;
        shortened.idleTimeout = 0.3;
        return inner.perform(shortened, cancellation);
    }

    CurlHttpClient inner;
};

// What a call failed with: the error's domain, code and sentence.
struct Failure {
    std::string domain;
    long code = 0;
    std::string description;
    friend bool operator==(const Failure&, const Failure&) = default;
    friend void PrintTo(const Failure& f, std::ostream* os)
    {
        *os << f.domain << " " << f.code << " " << f.description;
    }
};

std::optional<Failure> failureOf(const std::function<void()>& call)
{
    try {
        call();
        return std::nullopt;
    } catch (const PlatformError& error) {
        return Failure{error.domain(), error.code(), error.localizedDescription()};
    }
}

class SlackWebAPIClientTest : public ::testing::Test {
protected:
    FakeSlackServer slack;
    ShortIdleHttpClient http;
    SlackWebAPIClient api{http, slack.apiHost()};
};

TEST_F(SlackWebAPIClientTest, ChannelsArePagedByCursorInAnswerOrder)
{
    slack.script(FakeSlackServer::kChannels,
                 {
                     FakeSlackServer::json(FakeSlackServer::channelsPage(
                         {{"C1", "general"}, {"C2", "random"}}, "  a+b&c=d/e%f \t")),
                     FakeSlackServer::json(json{{"ok", true},
                                                {"channels",
                                                 {{{"id", "C3"}, {"name", "ops"}},
                                                  {{"id", 4}, {"name", "no-id"}},
                                                  {{"name", "no-id-either"}},
                                                  {{"id", "C5"}, {"name", "café ☕"}}}},
                                                {"response_metadata", {{"next_cursor", "line\n"}}}}),
                     FakeSlackServer::json(FakeSlackServer::channelsPage({{"C6", "last"}}, "")),
                 });

    const Options channels = api.fetchChannels(kToken, CancellationToken());

    EXPECT_EQ(
        channels,
        (Options{{"C1", "#general"}, {"C2", "#random"}, {"C3", "#ops"}, {"C5", "#café ☕"}, {"C6", "#last"}}));
    const auto requests = slack.requestsTo(FakeSlackServer::kChannels);
    ASSERT_EQ(requests.size(), 3u);
    const std::string first =
        "/api/conversations.list?types=public_channel,private_channel&exclude_archived=true&limit=200";
    EXPECT_EQ(requests[0].target, first);
    // "&" and "+" are encoded; "=" and "/" stay; blanks and tabs around the cursor go, a line break stays.
    EXPECT_EQ(requests[1].target, first + "&cursor=a%2Bb%26c=d/e%25f");
    EXPECT_EQ(requests[2].target, first + "&cursor=line%0A");
    for (const auto& request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.header("Authorization"), std::string("Bearer ") + kToken);
        EXPECT_EQ(request.header("Content-Type"), "application/json; charset=utf-8");
        EXPECT_EQ(request.body, "");
    }
}

TEST_F(SlackWebAPIClientTest, PeopleLeaveOutBotsAndTheDeleted)
{
    slack.script(FakeSlackServer::kUsers,
                 {FakeSlackServer::json(FakeSlackServer::usersPage(
                     {{{"id", "U1"}, {"name", "ada"}, {"real_name", "Ada Lovelace"}},
                      {{"id", "B1"}, {"name", "deploybot"}, {"real_name", "Deploy"}, {"is_bot", true}},
                      {{"id", "U2"}, {"name", "stringbot"}, {"is_bot", "true"}},
                      {{"id", "U3"}, {"name", "gone"}, {"deleted", true}},
                      {{"id", "U4"}, {"name", "bob"}, {"real_name", ""}, {"deleted", false}},
                      {{"id", "U5"}, {"name", "carl"}, {"real_name", 7}},
                      {{"id", "U6"}},
                      {{"id", "U7"}, {"name", "dee"}, {"real_name", "Dee Dee"}, {"is_bot", false}}},
                     "   "))});

    EXPECT_EQ(api.fetchUsers(kToken, CancellationToken()), (Options{{"U1", "@ada (Ada Lovelace)"},
                                                                    {"U2", "@stringbot"},
                                                                    {"U4", "@bob"},
                                                                    {"U5", "@carl"},
                                                                    {"U7", "@dee (Dee Dee)"}}));
    // A cursor of blanks ends the paging.
    ASSERT_EQ(slack.requestsTo(FakeSlackServer::kUsers).size(), 1u);
    EXPECT_EQ(slack.requestsTo(FakeSlackServer::kUsers)[0].target, "/api/users.list?limit=200");
}

TEST_F(SlackWebAPIClientTest, PagingStopsAfterTenRequests)
{
    std::vector<FakeSlackServer::Answer> pages;
    Options expected;
    for (int page = 1; page <= 12; ++page) {
        const std::string id = "C" + std::to_string(page);
        pages.push_back(
            FakeSlackServer::json(FakeSlackServer::channelsPage({{id, id}}, "p" + std::to_string(page))));
        if (page <= 10) {
            expected.push_back({id, "#" + id});
        }
    }
    slack.script(FakeSlackServer::kChannels, pages);
    EXPECT_EQ(api.fetchChannels(kToken, CancellationToken()), expected);
    const auto requests = slack.requestsTo(FakeSlackServer::kChannels);
    ASSERT_EQ(requests.size(), 10u);
    EXPECT_TRUE(requests[9].target.ends_with("&cursor=p9"));
}

// Every way a list call can fail, on its first page or a later one: the
// options of earlier pages are dropped and the error says what happened.
TEST_F(SlackWebAPIClientTest, ListFailures)
{
    const auto slackError = [](long code, std::string text) {
        return Failure{"SlackTarget", code, std::move(text)};
    };
    const Failure notJson{"Json", 3840, SlackWebAPIClient::kJsonErrorDescription};
    const auto rateLimited = [](std::optional<std::string> retryAfter) -> FakeSlackServer::Answer {
        return [retryAfter](const FakeHttpServer::Request&, httplib::Response& response) {
            if (retryAfter) {
                response.set_header("Retry-After", *retryAfter);
            }
            FakeHttpServer::respondJson(response, R"({"ok":false,"error":"ratelimited"})", 429);
        };
    };
    struct Case {
        const char* name;
        FakeSlackServer::Answer answer;
        Failure failure;
    };
    const Case cases[] = {
        {"RetryAfter", rateLimited("30"), slackError(9, "Slack rate limit — try again in 30s")},
        {"NoRetryAfter", rateLimited(std::nullopt),
         slackError(9, "Slack rate limit — try again in a few seconds")},
        {"RetryAfterAsADate", rateLimited("Wed, 21 Oct 2026 07:28:00 GMT"),
         slackError(9, "Slack rate limit — try again in a few seconds")},
        {"ServerError", FakeSlackServer::body("oops", 500),
         slackError(2, "Failed to connect to Slack API (HTTP 500)")},
        {"NotFound", FakeSlackServer::body(R"({"ok":true})", 404),
         slackError(2, "Failed to connect to Slack API (HTTP 404)")},
        {"TopLevelArray", FakeSlackServer::body("[]"), slackError(3, "Invalid JSON response from Slack API")},
        {"NotJsonAtAll", FakeSlackServer::body("<html>busy</html>"), notJson},
        {"EmptyBody", FakeSlackServer::body(""), notJson},
        {"ApiError", FakeSlackServer::body(R"({"ok":false,"error":"invalid_auth"})"),
         slackError(4, "Slack API Error: invalid_auth")},
        {"ApiErrorWithoutReason", FakeSlackServer::body(R"({"ok":false,"error":42})"),
         slackError(4, "Slack API Error: Unknown Slack error")},
        // The server's own words never carry the token into an alert or a log.
        {"ApiErrorEchoingTheToken",
         FakeSlackServer::body(R"({"ok":false,"error":"bad token xoxb-1-secret"})"),
         slackError(4, "Slack API Error: bad token [token]")},
        {"BodyCutShortByTheConnection",
         [](const FakeHttpServer::Request&, httplib::Response& response) {
             FakeHttpServer::respondCutShort(response, R"({"ok":true,"channels":[{"id":"C1",)", 500);
         },
         Failure{"HttpClient", -1005, "The network connection was lost."}},
        {"BodyCutShortInTheJson", FakeSlackServer::body(R"({"ok":true,"channels":[{"id":"C1",)"), notJson},
        {"SilentServer", slack.held(FakeSlackServer::json(FakeSlackServer::channelsPage({}))),
         Failure{"HttpClient", -1001, "The request timed out."}},
    };
    for (const bool onSecondPage : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (onSecondPage ? " on the second page" : ""));
            std::vector<FakeSlackServer::Answer> answers;
            if (onSecondPage) {
                answers.push_back(
                    FakeSlackServer::json(FakeSlackServer::channelsPage({{"C0", "first"}}, "next")));
            }
            answers.push_back(c.answer);
            answers.push_back(FakeSlackServer::json(FakeSlackServer::channelsPage({{"C9", "never"}})));
            slack.script(FakeSlackServer::kChannels, answers);
            const std::size_t before = slack.http.requestCount();
            EXPECT_EQ(failureOf([&] { api.fetchChannels(kToken, CancellationToken()); }), c.failure);
            EXPECT_EQ(slack.http.requestCount() - before, onSecondPage ? 2u : 1u);
        }
    }
}

TEST_F(SlackWebAPIClientTest, AnOkThatIsNoBooleanIsASuccess)
{
    slack.script(FakeSlackServer::kChannels,
                 {FakeSlackServer::body(R"({"ok":"false","channels":[{"id":"C1","name":"a"}]})")});
    EXPECT_EQ(api.fetchChannels(kToken, CancellationToken()), (Options{{"C1", "#a"}}));
    slack.script(FakeSlackServer::kChannels, {FakeSlackServer::body(R"({"channels":{"id":"C1"}})")});
    EXPECT_EQ(api.fetchChannels(kToken, CancellationToken()), Options{});
}

TEST_F(SlackWebAPIClientTest, CancellingEndsAListCallInFlight)
{
    slack.script(FakeSlackServer::kUsers,
                 {slack.held(FakeSlackServer::json(FakeSlackServer::usersPage(json::array())))});
    CancellationToken cancellation;
    std::thread canceller([&] {
        slack.http.waitForRequests(1);
        cancellation.cancel();
    });
    const auto start = SteadyClock::now();
    EXPECT_EQ(failureOf([&] { api.fetchUsers(kToken, cancellation); }),
              (Failure{"HttpClient", -999, "The request was cancelled."}));
    EXPECT_LT(SteadyClock::now() - start, std::chrono::seconds(2));
    canceller.join();
}

TEST_F(SlackWebAPIClientTest, PostSendsTheMessageAsJson)
{
    slack.script(FakeSlackServer::kPost, {FakeSlackServer::body(R"({"ok":true,"ts":"1.2"})")});
    api.postMessage("U1", "ship it \"now\"\nplease ☕", kToken, CancellationToken());

    const auto posts = slack.requestsTo(FakeSlackServer::kPost);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].method, "POST");
    EXPECT_EQ(posts[0].target, "/api/chat.postMessage");
    EXPECT_EQ(posts[0].header("Authorization"), std::string("Bearer ") + kToken);
    EXPECT_EQ(posts[0].header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(posts[0].body, R"({"channel":"U1","text":"ship it \"now\"\nplease ☕"})");
}

TEST_F(SlackWebAPIClientTest, PostFailures)
{
    const auto slackError = [](long code, std::string text) {
        return Failure{"SlackTarget", code, std::move(text)};
    };
    struct Case {
        const char* name;
        FakeSlackServer::Answer answer;
        Failure failure;
    };
    const Case cases[] = {
        // No rate-limit case of its own.
        {"RateLimited", FakeSlackServer::body(R"({"ok":false})", 429),
         slackError(6, "Failed to connect to Slack API (HTTP error)")},
        {"ServerError", FakeSlackServer::body("oops", 500),
         slackError(6, "Failed to connect to Slack API (HTTP error)")},
        {"TopLevelString", FakeSlackServer::body(R"("ok")"),
         slackError(7, "Invalid JSON response from Slack API")},
        {"NotJson", FakeSlackServer::body("ok"),
         Failure{"Json", 3840, SlackWebAPIClient::kJsonErrorDescription}},
        {"ApiError", FakeSlackServer::body(R"({"ok":false,"error":"channel_not_found"})"),
         slackError(8, "Slack API Error: channel_not_found")},
        {"ApiErrorWithoutReason", FakeSlackServer::body(R"({"ok":false})"),
         slackError(8, "Slack API Error: Unknown Slack error")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        slack.script(FakeSlackServer::kPost, {c.answer});
        EXPECT_EQ(failureOf([&] { api.postMessage("C1", "hi", kToken, CancellationToken()); }), c.failure);
    }
    EXPECT_EQ(slack.requestsTo(FakeSlackServer::kPost).size(), std::size(cases));
}

}  // namespace
}  // namespace qm::test
