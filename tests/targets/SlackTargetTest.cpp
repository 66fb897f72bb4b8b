#include "targets/SlackTarget.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "base/PlatformError.h"
#include "platform/linux/network/CurlHttpClient.h"
#include "store/KeychainHelper.h"
#include "targets/FakeSlackServer.h"
#include "targets/LandingRig.h"
#include "targets/PickerOptionPrinter.h"
#include "targets/SlackError.h"
#include "targets/SlackOptionRanking.h"

namespace qm::test {
namespace {

using nlohmann::json;
using Options = std::vector<PickerOption>;
using SteadyClock = std::chrono::steady_clock;

constexpr const char* kToken = "xoxb-42-secret";

const PickerOption kGeneral{"C1", "#general"};
const PickerOption kRandom{"C2", "#random"};
const PickerOption kGenEng{"C3", "#gen-eng"};
const PickerOption kEng{"C4", "#eng"};
const PickerOption kDevGeneral{"C5", "#dev-general"};
// Written decomposed, as "e" and a combining acute accent.
const PickerOption kCafe{"C6", "#cafe\u0301"};
const PickerOption kEngineering{"C7", "#engineering"};
// Written composed.
const PickerOption kCafeTalk{"C8", "#caf\u00E9-talk"};

const PickerOption kAda{"U1", "@ada (Ada Lovelace)"};
const PickerOption kBob{"U2", "@bob (Robert General)"};
const PickerOption kJose{"U3", "@jos\u00E9 (Jos\u00E9 N\u00FA\u00F1ez)"};
const PickerOption kAdam{"U4", "@adam"};
const PickerOption kAdaline{"U5", "@adaline"};
const PickerOption kBada{"U6", "@bada"};
const PickerOption kCarla{"U7", "@carla"};
const PickerOption kDave{"U8", "@dave"};

// The workspace as the fake server lists it: channels on two pages, people
// on two pages with a bot and a deleted account among them.
void scriptWorkspace(FakeSlackServer& slack)
{
    slack.script(FakeSlackServer::kChannels,
                 {FakeSlackServer::json(FakeSlackServer::channelsPage(
                      {{"C1", "general"}, {"C2", "random"}, {"C3", "gen-eng"}, {"C4", "eng"}}, "chan2")),
                  FakeSlackServer::json(FakeSlackServer::channelsPage({{"C5", "dev-general"},
                                                                       {"C6", "cafe\u0301"},
                                                                       {"C7", "engineering"},
                                                                       {"C8", "caf\u00E9-talk"}}))});
    slack.script(FakeSlackServer::kUsers,
                 {FakeSlackServer::json(FakeSlackServer::usersPage(
                      {{{"id", "U1"}, {"name", "ada"}, {"real_name", "Ada Lovelace"}},
                       {{"id", "B1"}, {"name", "adabot"}, {"is_bot", true}},
                       {{"id", "U2"}, {"name", "bob"}, {"real_name", "Robert General"}},
                       {{"id", "U3"}, {"name", "jos\u00E9"}, {"real_name", "Jos\u00E9 N\u00FA\u00F1ez"}},
                       {{"id", "D1"}, {"name", "adamant"}, {"deleted", true}}},
                      "people2")),
                  FakeSlackServer::json(FakeSlackServer::usersPage({{{"id", "U4"}, {"name", "adam"}},
                                                                    {{"id", "U5"}, {"name", "adaline"}},
                                                                    {{"id", "U6"}, {"name", "bada"}},
                                                                    {{"id", "U7"}, {"name", "carla"}},
                                                                    {{"id", "U8"}, {"name", "dave"}}}))});
}

// A Slack target talking to the fake server, with the token in a secret
// store the test controls.
class SlackTargetTest : public LandingRig {
protected:
    SlackTargetTest() { scriptWorkspace(slack); }

    void setToken(std::optional<std::string> token)
    {
        std::lock_guard lock(mutex);
        storedToken = std::move(token);
    }
    std::size_t requestsTo(const char* method) const { return slack.requestsTo(method).size(); }

    std::mutex mutex;
    std::optional<std::string> storedToken = std::string(kToken);
    std::vector<std::pair<std::string, std::string>> secretLookups;

    FakeSlackServer slack;
    CurlHttpClient http;
    SlackTarget target{http, slack.apiHost(),
                       [this](std::string_view service, std::string_view key) {
                           std::lock_guard lock(mutex);
                           secretLookups.emplace_back(service, key);
                           return storedToken;
                       },
                       clock, landing};
};

TEST_F(SlackTargetTest, LoadsBothListsOnceAndServesThemFromTheCache)
{
    EXPECT_EQ(target.commandName(), "slack");
    EXPECT_TRUE(target.needsPicker());

    EXPECT_EQ(target.pickerOptions(CancellationToken()), (Options{kAda, kBob, kJose, kAdam, kAdaline}));
    EXPECT_EQ(requestsTo(FakeSlackServer::kChannels), 2u);
    EXPECT_EQ(requestsTo(FakeSlackServer::kUsers), 2u);
    EXPECT_EQ(secretLookups.front(), (std::pair<std::string, std::string>{"QuillmarkerAI", "slackToken"}));
    EXPECT_EQ(target.filteredOptions("#"), (Options{kGeneral, kRandom, kGenEng, kEng, kDevGeneral}));

    // Younger than ten minutes: the next capture opens without asking Slack.
    clock.advance(599);
    target.resetCache();
    EXPECT_EQ(target.pickerOptions(CancellationToken()).size(), 5u);
    EXPECT_EQ(requestsTo(FakeSlackServer::kUsers), 2u);

    // A cache serves until the next reset, however old it has grown.
    clock.advance(1);
    EXPECT_EQ(target.pickerOptions(CancellationToken()).size(), 5u);
    EXPECT_EQ(requestsTo(FakeSlackServer::kUsers), 2u);
    target.resetCache();
    EXPECT_TRUE(target.filteredOptions("").empty());
    scriptWorkspace(slack);
    EXPECT_EQ(target.pickerOptions(CancellationToken()).size(), 5u);
    EXPECT_EQ(requestsTo(FakeSlackServer::kUsers), 4u);
    EXPECT_EQ(requestsTo(FakeSlackServer::kChannels), 4u);
}

TEST_F(SlackTargetTest, WithoutAUsableTokenThePickerSaysSoAndAsksNothing)
{
    const std::optional<std::string> tokens[] = {std::nullopt, std::string(""), std::string(" \n\t"),
                                                 std::string("xoxb-\xFF\xFE")};
    for (const auto& token : tokens) {
        setToken(token);
        Log::Capture log;
        EXPECT_EQ(target.pickerOptions(CancellationToken()),
                  (Options{{"error", "⚠️ Slack not connected — add a token in Settings"}}));
        EXPECT_TRUE(log.contains(
            "❌ SlackTarget: Failed to fetch Slack resources: Slack not connected — add a token in Settings"));
    }
    EXPECT_EQ(slack.http.requestCount(), 0u);

    // Blanks around a stored token are not part of it.
    setToken(std::string("  ") + kToken + "\n");
    EXPECT_EQ(target.pickerOptions(CancellationToken()).size(), 5u);
    EXPECT_EQ(slack.requestsTo(FakeSlackServer::kUsers).front().header("Authorization"),
              std::string("Bearer ") + kToken);
}

TEST_F(SlackTargetTest, AFailedLoadIsShownAndNotKept)
{
    slack.script(FakeSlackServer::kUsers, {FakeSlackServer::body(R"({"ok":false,"error":"invalid_auth"})")});
    Log::Capture log;
    EXPECT_EQ(target.pickerOptions(CancellationToken()),
              (Options{{"error", "⚠️ Slack API Error: invalid_auth"}}));
    EXPECT_TRUE(
        log.contains("❌ SlackTarget: Failed to fetch Slack resources: Slack API Error: invalid_auth"));
    EXPECT_TRUE(target.filteredOptions("#").empty());

    scriptWorkspace(slack);
    target.resetCache();
    EXPECT_EQ(target.pickerOptions(CancellationToken()).size(), 5u);
    EXPECT_EQ(target.filteredOptions("#eng").front(), kEng);
}

// The two lists load side by side; when one fails the other is stopped
// rather than waited out.
TEST_F(SlackTargetTest, AFailedListStopsTheOtherOne)
{
    slack.script(FakeSlackServer::kUsers,
                 {slack.held(FakeSlackServer::json(FakeSlackServer::usersPage(json::array())))});
    slack.script(FakeSlackServer::kChannels, {FakeSlackServer::body("busy", 503)});
    const auto start = SteadyClock::now();
    EXPECT_EQ(target.pickerOptions(CancellationToken()),
              (Options{{"error", "⚠️ Failed to connect to Slack API (HTTP 503)"}}));
    EXPECT_LT(SteadyClock::now() - start, std::chrono::seconds(3));
    EXPECT_LE(requestsTo(FakeSlackServer::kUsers), 1u);
}

TEST_F(SlackTargetTest, CancellingTheLoadStopsBothRequests)
{
    slack.script(FakeSlackServer::kUsers,
                 {slack.held(FakeSlackServer::json(FakeSlackServer::usersPage(json::array())))});
    slack.script(FakeSlackServer::kChannels,
                 {slack.held(FakeSlackServer::json(FakeSlackServer::channelsPage({{"C1", "general"}})))});
    CancellationToken cancellation;
    std::thread canceller([&] {
        slack.http.waitForRequests(2);
        cancellation.cancel();
    });
    const auto start = SteadyClock::now();
    const Options options = target.pickerOptions(cancellation);
    EXPECT_LT(SteadyClock::now() - start, std::chrono::seconds(3));
    canceller.join();
    EXPECT_EQ(options, (Options{{"error", "⚠️ The request was cancelled."}}));
    EXPECT_TRUE(target.filteredOptions("#").empty());
}

TEST_F(SlackTargetTest, TheLoadWaitsForThePeopleAfterTheChannels)
{
    // The people answer late: the load still returns them, and keeps both lists.
    slack.script(FakeSlackServer::kUsers, {[](const FakeHttpServer::Request&, httplib::Response& response) {
                     std::this_thread::sleep_for(std::chrono::milliseconds(150));
                     FakeHttpServer::respondJson(
                         response, FakeSlackServer::usersPage({{{"id", "U9"}, {"name", "late"}}}).dump());
                 }});
    EXPECT_EQ(target.pickerOptions(CancellationToken()), (Options{{"U9", "@late"}}));
    EXPECT_EQ(target.filteredOptions("#ra"), (Options{kRandom, kGeneral, kDevGeneral}));
}

// The picker's ranking over what the server listed: channels only after
// "#", people otherwise; equal, then prefix, then substring, in answer order
// among equals; edit distance only when nothing matched that way.
TEST_F(SlackTargetTest, RankingTable)
{
    ASSERT_EQ(target.pickerOptions(CancellationToken()).size(), 5u);
    struct Case {
        std::string filter;
        Options expected;
    };
    const Case cases[] = {
        {"", {kAda, kBob, kJose, kAdam, kAdaline}},
        {"@", {kAda, kBob, kJose, kAdam, kAdaline}},
        {" \n", {kAda, kBob, kJose, kAdam, kAdaline}},
        {"#", {kGeneral, kRandom, kGenEng, kEng, kDevGeneral}},
        {"#eng", {kEng, kEngineering, kGenEng}},
        {"#gen", {kGeneral, kGenEng, kDevGeneral}},
        {"  #GENERAL \n", {kGeneral, kDevGeneral}},
        // One edit away, when nothing contains it.
        {"#gneral", {kGeneral}},
        {"#randmo", {kRandom}},
        {"#rndm", {kRandom}},
        {"#rnd", {kEng}},
        // Accents: either way of writing "é" is the same character, and "e" is another one.
        {"#caf\u00E9", {kCafe, kCafeTalk}},
        {"#CAFE\u0301", {kCafe, kCafeTalk}},
        {"#cafe", {kCafe}},
        {"ada", {kAda, kAdam, kAdaline, kBada}},
        {"ADA", {kAda, kAdam, kAdaline, kBada}},
        {"@Ada", {kAda, kAdam, kAdaline, kBada}},
        {"a", {kAda, kAdam, kAdaline, kBada, kCarla}},
        {"jos\u00E9", {kJose}},
        {"JOSE\u0301", {kJose}},
        {"jose", {kJose}},
        // The full name is never matched, and channels never without "#"; bots and the deleted are not
        // listed.
        {"lovelace", {}},
        {"general", {}},
        {"adabot", {}},
        {"adamant", {}},
        {"@@ada", {kAda, kBada, kAdam}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(target.filteredOptions(c.filter), c.expected) << "filter: " << c.filter;
    }
}

TEST_F(SlackTargetTest, EditDistanceCountsUserPerceivedCharacters)
{
    const std::tuple<const char*, const char*, std::size_t> cases[] = {
        {"kitten", "sitting", 3},       {"", "abc", 3},           {"abc", "", 3},       {"flaw", "lawn", 2},
        {"caf\u00E9", "cafe\u0301", 0}, {"cafe", "caf\u00E9", 1}, {"👍🏽", "👍", 1}, {"ab", "ba", 2},
    };
    for (const auto& [a, b, distance] : cases) {
        EXPECT_EQ(SlackOptionRanking::levenshtein(a, b), distance) << a << " / " << b;
    }
}

TEST_F(SlackTargetTest, SendPostsToTheChosenConversationAndParksIt)
{
    slack.script(FakeSlackServer::kPost, {FakeSlackServer::body(R"({"ok":true,"channel":"U1","ts":"1.5"})")});
    Log::Capture log;
    target.send("  ship it \"now\"\n", kAda);

    const auto posts = slack.requestsTo(FakeSlackServer::kPost);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].method, "POST");
    EXPECT_EQ(posts[0].target, "/api/chat.postMessage");
    EXPECT_EQ(posts[0].header("Authorization"), std::string("Bearer ") + kToken);
    EXPECT_EQ(posts[0].header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(posts[0].body, R"({"channel":"U1","text":"ship it \"now\""})");
    ASSERT_EQ(openLoops.loops().size(), 1u);
    const OpenLoop& parked = openLoops.loops().front();
    EXPECT_EQ(parked.text, "ship it \"now\"");
    EXPECT_EQ(parked.target, "slack");
    EXPECT_EQ(parked.receipt, "Slack · @ada (Ada Lovelace)");
    EXPECT_EQ(parked.revealPath, std::nullopt);
    EXPECT_EQ(hud.size(), 1u);
    EXPECT_TRUE(log.contains(
        "📝 SlackTarget: Successfully posted captured message to Slack channel '@ada (Ada Lovelace)'"));
}

TEST_F(SlackTargetTest, SendRefusalsComeBeforeAnyPost)
{
    const auto failureCode = [&](const std::string& text, const std::optional<PickerOption>& option) -> long {
        try {
            target.send(text, option);
            return 0;
        } catch (const SlackError& error) {
            return error.code();
        }
    };
    setToken(std::nullopt);
    // Blank text is nothing to do, even with neither token nor option.
    EXPECT_EQ(failureCode(" \n", std::nullopt), 0);
    // Without a token that comes first.
    EXPECT_EQ(failureCode("hi", std::nullopt), 1);
    setToken(std::string(kToken));
    EXPECT_EQ(failureCode("hi", std::nullopt), 5);
    EXPECT_EQ(
        failureCode("hi", PickerOption{"error", "⚠️ Slack not connected — add a token in Settings"}),
        5);
    try {
        target.send("hi", std::nullopt);
    } catch (const SlackError& error) {
        EXPECT_EQ(error.domain(), "SlackTarget");
        EXPECT_STREQ(error.what(), "Please select a valid Slack channel from the target options.");
    }
    EXPECT_EQ(slack.http.requestCount(), 0u);
    EXPECT_TRUE(openLoops.loops().empty());
}

TEST_F(SlackTargetTest, AFailedPostConfirmsNothing)
{
    slack.script(FakeSlackServer::kPost, {FakeSlackServer::body(R"({"ok":false,"error":"not_in_channel"})")});
    Log::Capture log;
    try {
        target.send("hi", kGeneral);
        ADD_FAILURE() << "a refused post landed";
    } catch (const SlackError& error) {
        EXPECT_EQ(error.code(), 8);
        EXPECT_STREQ(error.what(), "Slack API Error: not_in_channel");
    }
    EXPECT_TRUE(openLoops.loops().empty());
    EXPECT_TRUE(hud.empty());
    EXPECT_FALSE(log.contains("Successfully posted"));
}

// Whatever goes wrong, the token shows up only in the Authorization header:
// never in a description, a picker row or a log line.
TEST_F(SlackTargetTest, TheTokenNeverLeavesTheAuthorizationHeader)
{
    const std::string echo = std::string(R"({"ok":false,"error":"token )") + kToken + R"( revoked"})";
    slack.script(FakeSlackServer::kChannels, {FakeSlackServer::body(echo)});
    slack.script(FakeSlackServer::kPost, {FakeSlackServer::body(echo)});
    Log::Capture log;
    const Options options = target.pickerOptions(CancellationToken());
    std::string sendFailure;
    try {
        target.send("hi", kGeneral);
    } catch (const std::exception& error) {
        sendFailure = error.what();
    }
    ASSERT_EQ(options.size(), 1u);
    EXPECT_EQ(options[0].displayName, "⚠️ Slack API Error: token [token] revoked");
    EXPECT_EQ(sendFailure, "Slack API Error: token [token] revoked");
    EXPECT_FALSE(log.contains(kToken));
    EXPECT_FALSE(log.lines().empty());
}

// The real secret store: the token the settings window saved under
// "QuillmarkerAI" / "slackToken".
TEST_F(SlackTargetTest, ReadsTheTokenFromTheSecretStore)
{
    KeychainHelper secrets(nullptr, stage.support.path());
    SlackTarget stored{http, slack.apiHost(),
                       [&secrets](std::string_view service, std::string_view key) {
                           return secrets.load(service, key, true);
                       },
                       clock, landing};
    EXPECT_EQ(stored.pickerOptions(CancellationToken()).front().id, "error");
    ASSERT_EQ(secrets.save("QuillmarkerAI", "slackToken", std::string(kToken) + "\n"), errSecSuccess);
    EXPECT_EQ(stored.pickerOptions(CancellationToken()).size(), 5u);
    EXPECT_EQ(slack.requestsTo(FakeSlackServer::kChannels).front().header("Authorization"),
              std::string("Bearer ") + kToken);
}

// The capture router filters on the main thread while a load may be
// storing new lists on another: each ranking sees whole lists.
TEST_F(SlackTargetTest, FilteringWhileLoadingSeesWholeLists)
{
    std::atomic<bool> done{false};
    std::thread loader([&] {
        for (int i = 0; i < 200; ++i) {
            target.resetCache();
            target.injectMockData({kGeneral, kRandom}, {kAda, kBob});
            target.resetCache();
            target.injectMockData({kEng}, {kJose});
        }
        done = true;
    });
    while (!done) {
        const Options people = target.filteredOptions("");
        EXPECT_TRUE(people.empty() || people == (Options{kAda, kBob}) || people == (Options{kJose}));
    }
    loader.join();
}

}  // namespace
}  // namespace qm::test
