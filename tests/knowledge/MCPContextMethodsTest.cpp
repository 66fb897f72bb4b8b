#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "base/Log.h"
#include "knowledge/FieldMemorySealer.h"
#include "knowledge/MCPHandlerFixture.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "store/PrivacyFirewall.h"
#include "store/sim/SimSecretStore.h"
#include "suggestions/FieldMemoryEngine.h"

namespace qm::test {
namespace {

using MCPContextMethodsTest = MCPHandlerFixture;

// "quillmarker.queryContext" with a pushed context and no focused field.
nlohmann::json queryWithoutFocus(const nlohmann::json& pushed)
{
    return {
        {"jsonrpc", "2.0"},
        {"id", 1},
        {"result", {{"activeApplication", ""}, {"focusedContext", "unknown"}, {"pushedContext", pushed}}}};
}

TEST_F(MCPContextMethodsTest, EveryContextPushReplacesTheWholeRow)
{
    EXPECT_EQ(call("quillmarker.queryContext"),
              (nlohmann::json{{"jsonrpc", "2.0"},
                              {"id", 1},
                              {"result", {{"activeApplication", ""}, {"focusedContext", "unknown"}}}}))
        << "no context pushed yet";

    const auto full = nlohmann::json::parse(R"({"project": "app", "topic": "storage", "relatedNotes": "a.md",
        "activeDecision": "use SQLite", "metadata": {"n": 1, "deep": {"list": [true, null]}}})");
    EXPECT_EQ(sentence(call("quillmarker.pushContext", full)), "Context pushed successfully.");
    EXPECT_EQ(call("quillmarker.queryContext"), queryWithoutFocus(full));

    struct Case {
        const char* name;
        nlohmann::json params;
        nlohmann::json pushed;
    };
    const std::vector<Case> cases = {
        {"nothing pushed stores five NULLs",
         nlohmann::json::object(),
         {{"project", ""}, {"topic", ""}, {"relatedNotes", ""}, {"activeDecision", ""}}},
        {"a field left out is cleared",
         {{"project", "other"}},
         {{"project", "other"}, {"topic", ""}, {"relatedNotes", ""}, {"activeDecision", ""}}},
        {"mistyped values count as missing",
         {{"project", 5},
          {"topic", nullptr},
          {"relatedNotes", {"a"}},
          {"activeDecision", true},
          {"metadata", "{}"}},
         {{"project", ""}, {"topic", ""}, {"relatedNotes", ""}, {"activeDecision", ""}}},
        {"empty metadata is an object too",
         {{"metadata", nlohmann::json::object()}},
         {{"project", ""},
          {"topic", ""},
          {"relatedNotes", ""},
          {"activeDecision", ""},
          {"metadata", nlohmann::json::object()}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sentence(call("quillmarker.pushContext", c.params)), "Context pushed successfully.");
        EXPECT_EQ(call("quillmarker.queryContext"), queryWithoutFocus(c.pushed));
    }
    EXPECT_EQ(db->executeQuery("SELECT COUNT(*) AS n FROM mcp_context;").front().at("n"), "1");
}

TEST_F(MCPContextMethodsTest, AContextTheDatabaseRefusesIsAnError)
{
    ASSERT_TRUE(db->executeNonQuery(
        "CREATE TRIGGER refuse BEFORE INSERT ON mcp_context BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    EXPECT_EQ(call("quillmarker.pushContext", {{"project", "app"}}),
              error(-32000, "Failed to store context"));
}

class QueryContextTest : public MCPHandlerFixture {
protected:
    QueryContextTest()
    {
        editor.activate();
        loop.runUntilIdle();
    }

    SimTextField field(SimTextFieldSpec spec)
    {
        auto field = window.addTextField(spec);
        field.focus();
        loop.runUntilIdle();
        return field;
    }

    nlohmann::json query(const nlohmann::json& params = nlohmann::json::object())
    {
        return call("quillmarker.queryContext", params)["result"];
    }

    SimApplication editor = desktop.addApplication("com.example.editor", "Editor");
    SimElement window = editor.addWindow("Draft — notes.md");
};

TEST_F(QueryContextTest, TheFocusedFieldIsClassifiedByItsDescriptions)
{
    struct Case {
        const char* name;
        SimTextFieldSpec spec;
        nlohmann::json expected;
    };
    const auto spec = [](SimTextKind kind, std::string placeholder, std::string title,
                         std::string description) {
        SimTextFieldSpec s;
        s.kind = kind;
        s.value = "typed text";
        s.placeholder = std::move(placeholder);
        s.title = std::move(title);
        s.description = std::move(description);
        return s;
    };
    const std::vector<Case> cases = {
        {"a secure field is a password field and shows no text",
         spec(SimTextKind::secure, "", "", ""),
         {{"focusedContext", "password"}}},
        {"a PIN code is a password too, whatever else it says",
         spec(SimTextKind::singleLine, "Login PIN Code", "", ""),
         {{"focusedContext", "password"}, {"focusedLabel", "Login PIN Code"}}},
        {"mail wins over search",
         spec(SimTextKind::singleLine, "Search mail", "", ""),
         {{"focusedContext", "email"}, {"focusedLabel", "Search mail"}, {"text", "typed text"}}},
        {"a search field by its role description",
         [&] {
             auto s = spec(SimTextKind::singleLine, "", "", "");
             s.subrole = "AXSearchField";
             return s;
         }(),
         {{"focusedContext", "search"}, {"text", "typed text"}}},
        {"the title is the label without a placeholder",
         spec(SimTextKind::singleLine, "", "Find in page", "ignored"),
         {{"focusedContext", "search"}, {"focusedLabel", "Find in page"}, {"text", "typed text"}}},
        {"the description is the label without either",
         spec(SimTextKind::multiLine, "", "", "Body"),
         {{"focusedContext", "plainText"}, {"focusedLabel", "Body"}, {"text", "typed text"}}},
        {"a plain field without any label",
         spec(SimTextKind::singleLine, "", "", ""),
         {{"focusedContext", "plainText"}, {"text", "typed text"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        field(c.spec);
        auto expected = c.expected;
        expected["activeApplication"] = "com.example.editor";
        expected["windowTitle"] = "Draft — notes.md";
        EXPECT_EQ(query({{"includeText", true}}), expected);
        expected.erase("text");
        EXPECT_EQ(query(), expected) << "no text unless asked for";
        EXPECT_EQ(query({{"includeText", "true"}}), expected) << "a text is no Boolean";
    }
}

TEST_F(QueryContextTest, TheTextIsTheLast250Characters)
{
    SimTextFieldSpec spec;
    spec.kind = SimTextKind::multiLine;
    // 900 plain letters, then 100 characters of two code points each.
    spec.value = std::string(900, 'x');
    for (int i = 0; i < 100; ++i) {
        spec.value += "e\u0301";
    }
    field(spec);
    std::string expected(150, 'x');
    for (int i = 0; i < 100; ++i) {
        expected += "e\u0301";
    }
    EXPECT_EQ(query({{"includeText", true}})["text"], expected);
}

TEST_F(MCPContextMethodsTest, MemoriesAreSealedAndReplacedByKey)
{
    const std::string invalid = "Invalid params: 'key', 'value', and 'context' strings required";
    for (const auto& params : std::vector<nlohmann::json>{
             {{"key", "k"}, {"value", "v"}},
             {{"key", "k"}, {"context", "c"}},
             {{"value", "v"}, {"context", "c"}},
             {{"key", 1}, {"value", "v"}, {"context", "c"}},
             {{"key", "k"}, {"value", nullptr}, {"context", "c"}},
         }) {
        EXPECT_EQ(call("quillmarker.pushMemory", params), error(-32602, invalid)) << params.dump();
    }
    EXPECT_TRUE(db->fetchAllMCPKnowledge().empty());

    const auto stored = call("quillmarker.pushMemory",
                             {{"key", "wifi"}, {"value", "hunter2"}, {"context", "home"}, {"tags", 5}});
    EXPECT_EQ(sentence(stored), "Knowledge memory stored securely.");
    EXPECT_EQ(stored.dump().find("hunter2"), std::string::npos);
    EXPECT_EQ(
        sentence(call("quillmarker.pushMemory",
                      {{"key", "wifi"}, {"value", "correct horse"}, {"context", "office"}, {"tags", "net"}})),
        "Knowledge memory stored securely.");
    EXPECT_EQ(sentence(call("quillmarker.pushMemory", {{"key", ""}, {"value", ""}, {"context", ""}})),
              "Knowledge memory stored securely.")
        << "empty texts are texts";

    const auto rows = db->executeQuery("SELECT key, value_encrypted, context, tags, tags IS NULL AS no_tags "
                                       "FROM mcp_knowledge ORDER BY key;");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].at("key"), "wifi");
    EXPECT_EQ(rows[1].at("context"), "office");
    EXPECT_EQ(rows[1].at("tags"), "net");
    EXPECT_EQ(TestMemorySealer::open(rows[1].at("value_encrypted")), "correct horse");
    EXPECT_EQ(rows[0].at("no_tags"), "1");

    sealer.fails = true;
    EXPECT_EQ(call("quillmarker.pushMemory", {{"key", "new"}, {"value", "v"}, {"context", "c"}}),
              error(-32000, "Failed to encrypt knowledge entry"));
    sealer.fails = false;
    ASSERT_TRUE(db->executeNonQuery(
        "CREATE TRIGGER refuse BEFORE INSERT ON mcp_knowledge BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    EXPECT_EQ(call("quillmarker.pushMemory", {{"key", "new"}, {"value", "v"}, {"context", "c"}}),
              error(-32000, "Failed to store knowledge entry"));
    EXPECT_EQ(db->fetchAllMCPKnowledge().size(), 2u);
}

TEST_F(MCPContextMethodsTest, FieldMemorysKeySealsMemoriesInItsOwnFormat)
{
    SimSecretStore secrets;
    PrivacyFirewall firewall(*db, clock, [](std::function<void()> task) { task(); });
    FieldMemoryEngine fieldMemory(*db, secrets, defaults, firewall);
    FieldMemorySealer fieldSealer(fieldMemory);
    MCPRequestHandler sealing({*db, desktop.workspace(), desktop.accessibility(), fieldSealer, ai,
                               suggestions, hub, graphEngine, clock});
    const auto push = [&](const std::string& key) {
        nlohmann::json answer;
        sealing.handleRequest("quillmarker.pushMemory",
                              {{"key", key}, {"value", "hunter2"}, {"context", "home"}}, nlohmann::json(1),
                              std::nullopt, [&](nlohmann::json reply) { answer = std::move(reply); });
        return answer;
    };

    // No key can be had: the secret store cannot be read, so none is made.
    secrets.failNextReads(1);
    EXPECT_EQ(push("wifi"), error(-32000, "Failed to encrypt knowledge entry"));
    EXPECT_EQ(sentence(push("wifi")), "Knowledge memory stored securely.");
    const auto rows = db->fetchAllMCPKnowledge();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].at("value_encrypted"), "hunter2");
    EXPECT_EQ(fieldMemory.decrypt(rows[0].at("value_encrypted")), "hunter2");
}

}  // namespace
}  // namespace qm::test
