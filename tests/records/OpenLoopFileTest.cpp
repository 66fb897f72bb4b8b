#include "records/OpenLoopFile.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace qm {
namespace {

using namespace std::string_literals;

constexpr const char* kId = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

OpenLoop sampleLoop()
{
    OpenLoop loop;
    loop.id = *Uuid::fromString(kId);
    loop.text = "when budget, check the \"totals\"";
    loop.action = "check the \"totals\"";
    loop.target = "note";
    loop.receipt = "Quick Capture.md";
    loop.revealPath = "/Users/me/Documents/Notes/Quick Capture.md";
    loop.appName = "Numbers";
    loop.bundleId = "com.example.numbers";
    loop.windowTitle = "Q3 \u2014 Budget";
    loop.cueTokens = {"budget"};
    loop.createdAt = 721692800.125;
    loop.closed = false;
    loop.departed = true;
    return loop;
}

nlohmann::json sampleLoopJson()
{
    return nlohmann::json::parse(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","text":"t","action":"a",
        "target":"note","receipt":"r","revealPath":"\/tmp\/x.md","appName":"Numbers","bundleId":"com.b",
        "windowTitle":"w","cueTokens":["budget"],"createdAt":721692800,"closed":false,"departed":true})");
}

std::string document(const nlohmann::json& loop)
{
    return nlohmann::json{{"loops", nlohmann::json::array({loop})}}.dump();
}

TEST(OpenLoopFileTest, WritesCompactJsonWithEscapedSlashesAndTheDateSince2001)
{
    OpenLoopFile file{{sampleLoop()}, "/Users/me/Documents/Notes/Quick Capture.md", "Quick Capture.md"};
    const std::string bytes = file.encode();

    EXPECT_EQ(bytes.find('\n'), std::string::npos);
    EXPECT_EQ(bytes.find(": "), std::string::npos);
    EXPECT_NE(bytes.find(R"("lastRevealPath":"\/Users\/me\/Documents\/Notes\/Quick Capture.md")"),
              std::string::npos);
    EXPECT_NE(bytes.find(R"("id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F")"), std::string::npos);
    EXPECT_NE(bytes.find(R"("createdAt":721692800.125)"), std::string::npos);
    EXPECT_NE(bytes.find("\"windowTitle\":\"Q3 \u2014 Budget\""), std::string::npos);

    const auto parsed = nlohmann::json::parse(bytes);
    EXPECT_EQ(parsed["loops"][0]["revealPath"], "/Users/me/Documents/Notes/Quick Capture.md");
    EXPECT_EQ(parsed["lastReceipt"], "Quick Capture.md");
}

TEST(OpenLoopFileTest, AbsentOptionalsHaveNoKeysAndReadBackAbsent)
{
    OpenLoop loop = sampleLoop();
    loop.revealPath.reset();
    loop.bundleId.reset();
    const OpenLoopFile file{{loop}, std::nullopt, std::nullopt};
    const std::string bytes = file.encode();

    const auto parsed = nlohmann::json::parse(bytes);
    EXPECT_FALSE(parsed["loops"][0].contains("revealPath"));
    EXPECT_FALSE(parsed["loops"][0].contains("bundleId"));
    EXPECT_FALSE(parsed.contains("lastRevealPath"));
    EXPECT_FALSE(parsed.contains("lastReceipt"));

    std::string reason;
    EXPECT_EQ(OpenLoopFile::decode(bytes, reason), file) << reason;
}

TEST(OpenLoopFileTest, RoundTripsEveryField)
{
    OpenLoop second = sampleLoop();
    second.id = Uuid::random();
    second.text = "back\\slash / \U0001F600 nul\0 tab\t"s;
    second.cueTokens = {};
    second.closed = true;
    second.departed = false;
    second.createdAt = -1.5;
    const OpenLoopFile file{
        {sampleLoop(), second}, "obsidian://open?vault=v&file=a%2Fb", "Obsidian \u00B7 a.md"};

    std::string reason;
    const auto decoded = OpenLoopFile::decode(file.encode(), reason);
    ASSERT_TRUE(decoded.has_value()) << reason;
    EXPECT_EQ(*decoded, file);
    EXPECT_EQ(decoded->encode(), file.encode());
}

TEST(OpenLoopFileTest, ReadsWhatThePlatformEncoderWrites)
{
    const std::string bytes =
        R"({"lastReceipt":"Calendar \u00b7 Standup","loops":[{"departed":false,"closed":true,)"
        R"("createdAt":7.5e8,"cueTokens":[],"windowTitle":"","appName":"this Mac",)"
        R"("receipt":"Calendar \u00b7 Standup","target":"calendar","action":"standup 9am",)"
        R"("text":"standup 9am","id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","bundleId":null,)"
        R"("revealPath":"\/System\/Applications\/Calendar.app","extra":1}],)"
        R"("lastRevealPath":"\/System\/Applications\/Calendar.app","version":2})";
    std::string reason;
    const auto decoded = OpenLoopFile::decode(bytes, reason);
    ASSERT_TRUE(decoded.has_value()) << reason;
    ASSERT_EQ(decoded->loops.size(), 1u);
    const OpenLoop& loop = decoded->loops[0];
    EXPECT_EQ(loop.id.string(), kId);
    EXPECT_EQ(loop.revealPath, "/System/Applications/Calendar.app");
    EXPECT_EQ(loop.bundleId, std::nullopt);
    EXPECT_EQ(loop.appName, "this Mac");
    EXPECT_DOUBLE_EQ(loop.createdAt, 7.5e8);
    EXPECT_TRUE(loop.closed);
    EXPECT_EQ(decoded->lastReceipt, "Calendar \u00B7 Standup");
    EXPECT_EQ(decoded->lastRevealPath, "/System/Applications/Calendar.app");
}

TEST(OpenLoopFileTest, EveryRequiredKeyOfALoopMustBePresentAndNotNull)
{
    const char* required[] = {"id",          "text",      "action",    "target", "receipt", "appName",
                              "windowTitle", "cueTokens", "createdAt", "closed", "departed"};
    for (const char* key : required) {
        for (const bool asNull : {false, true}) {
            SCOPED_TRACE(std::string(key) + (asNull ? " null" : " missing"));
            nlohmann::json loop = sampleLoopJson();
            if (asNull) {
                loop[key] = nullptr;
            } else {
                loop.erase(key);
            }
            std::string reason;
            EXPECT_FALSE(OpenLoopFile::decode(document(loop), reason).has_value());
            EXPECT_NE(reason.find(key), std::string::npos) << reason;
        }
    }
}

struct BadDocument {
    const char* what;
    std::string bytes;
};

TEST(OpenLoopFileTest, RefusesDocumentsOfTheWrongShape)
{
    const auto withLoop = [](const char* key, nlohmann::json value) {
        nlohmann::json loop = sampleLoopJson();
        loop[key] = std::move(value);
        return document(loop);
    };
    const BadDocument cases[] = {
        {"empty", ""},
        {"not JSON", "{loops: []}"},
        {"trailing content", R"({"loops":[]} x)"},
        {"root array", "[]"},
        {"no loops", "{}"},
        {"loops null", R"({"loops":null})"},
        {"loops object", R"({"loops":{}})"},
        {"loop not object", R"({"loops":[1]})"},
        {"bad UUID", withLoop("id", "not-a-uuid")},
        {"UUID in braces", withLoop("id", std::string("{") + kId + "}")},
        {"text number", withLoop("text", 5)},
        {"closed as 1", withLoop("closed", 1)},
        {"departed as text", withLoop("departed", "false")},
        {"createdAt as text", withLoop("createdAt", "721692800")},
        {"cueTokens with number", withLoop("cueTokens", nlohmann::json::array({"a", 1}))},
        {"cueTokens text", withLoop("cueTokens", "budget")},
        {"revealPath number", withLoop("revealPath", 3)},
        {"bundleId array", withLoop("bundleId", nlohmann::json::array())},
        {"lastReceipt number", R"({"loops":[],"lastReceipt":1})"},
        {"lastRevealPath bool", R"({"loops":[],"lastRevealPath":true})"},
        {"overflowing number", R"({"loops":[],"x":1e400})"},
        {"invalid UTF-8", "{\"loops\":[],\"lastReceipt\":\"\xff\"}"},
        {"too deep", std::string(600, '[') + std::string(600, ']')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string reason;
        EXPECT_FALSE(OpenLoopFile::decode(c.bytes, reason).has_value());
        EXPECT_FALSE(reason.empty());
    }
}

TEST(OpenLoopFileTest, AnEmptyListIsAValidFile)
{
    std::string reason;
    const auto decoded = OpenLoopFile::decode(R"({"loops":[]})", reason);
    ASSERT_TRUE(decoded.has_value()) << reason;
    EXPECT_EQ(*decoded, OpenLoopFile{});
}

}  // namespace
}  // namespace qm
