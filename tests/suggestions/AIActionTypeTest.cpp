#include "suggestions/AIActionType.h"

#include <string>
#include <unordered_set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "suggestions/AIDecodingError.h"
#include "suggestions/AISuggestion.h"

namespace qm {
namespace {

struct ActionCase {
    AIActionType action;
    const char* label;
    const char* icon;
    const char* json;
};

TEST(AIActionTypeTest, LabelsIconsAndSerialisedForms)
{
    const ActionCase cases[] = {
        {AIActionType::rewrite("Professional"), "Rewrite (Professional)", "pencil.and.outline",
         R"({"rewrite":{"style":"Professional"}})"},
        {AIActionType::explain(), "Explain", "questionmark.circle", R"({"explain":{}})"},
        {AIActionType::summarize(), "Summarize", "doc.text", R"({"summarize":{}})"},
        {AIActionType::translate("German"), "Translate (German)", "character.book.closed",
         R"({"translate":{"lang":"German"}})"},
        {AIActionType::custom(""), "Prompt: ", "sparkles", R"({"custom":{"prompt":""}})"},
        // Associated texts go in unchanged: no trimming, no escaping.
        {AIActionType::rewrite(" a (b) "), "Rewrite ( a (b) )", "pencil.and.outline",
         R"({"rewrite":{"style":" a (b) "}})"},
        {AIActionType::custom("Make it \"shorter\"\n"), "Prompt: Make it \"shorter\"\n", "sparkles",
         R"({"custom":{"prompt":"Make it \"shorter\"\n"}})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.action.label(), c.label);
        EXPECT_EQ(c.action.iconName(), c.icon);
        EXPECT_EQ(c.action.toJson().dump(), c.json);
        EXPECT_EQ(AIActionType::fromJson(nlohmann::json::parse(c.json)), c.action);
    }
}

TEST(AIActionTypeTest, ReadingToleratesExtraMembersButNeedsExactlyOneAction)
{
    EXPECT_EQ(AIActionType::fromJson(nlohmann::json::parse(R"({"explain":{"x":1}})")),
              AIActionType::explain());
    EXPECT_EQ(AIActionType::fromJson(nlohmann::json::parse(R"({"other":1,"summarize":{}})")),
              AIActionType::summarize());
    EXPECT_EQ(AIActionType::fromJson(nlohmann::json::parse(R"({"translate":{"lang":"Thai","x":2}})")),
              AIActionType::translate("Thai"));

    for (const char* wrongCount : {R"({})", R"({"explain":{},"summarize":{}})", R"({"Explain":{}})"}) {
        SCOPED_TRACE(wrongCount);
        try {
            AIActionType::fromJson(nlohmann::json::parse(wrongCount));
            ADD_FAILURE() << "read";
        } catch (const AIDecodingError& error) {
            EXPECT_STREQ(error.what(), "Invalid number of keys found, expected one.");
        }
    }
    for (const char* malformed : {R"({"rewrite":{}})", R"({"rewrite":{"style":3}})", R"({"custom":"text"})",
                                  R"({"translate":{"language":"German"}})", R"([])"}) {
        SCOPED_TRACE(malformed);
        EXPECT_THROW(AIActionType::fromJson(nlohmann::json::parse(malformed)), AIDecodingError);
    }
}

TEST(AIActionTypeTest, EqualityAndHashFollowTheCaseAndItsText)
{
    EXPECT_NE(AIActionType::rewrite("Casual"), AIActionType::rewrite("casual"));
    EXPECT_NE(AIActionType::rewrite("Casual").label(), AIActionType::rewrite("casual").label());
    EXPECT_NE(AIActionType::translate("x"), AIActionType::custom("x"));
    EXPECT_EQ(AIActionType::custom("x"), AIActionType::custom("x"));
    const std::unordered_set<AIActionType> set = {AIActionType::explain(), AIActionType::explain(),
                                                  AIActionType::rewrite("a"), AIActionType::rewrite("b")};
    EXPECT_EQ(set.size(), 3u);
    EXPECT_EQ(std::hash<AIActionType>()(AIActionType::translate("German")),
              std::hash<AIActionType>()(AIActionType::translate("German")));
}

TEST(AISuggestionTest, ReadsBackEqualAndNeedsEveryKey)
{
    AISuggestion suggestion;
    suggestion.text = "Hallo \u2615";
    suggestion.provider = "OpenAI";
    suggestion.model = "gpt-4o";
    suggestion.originalPrompt = "Hello";
    suggestion.actionType = "Translate (German)";
    suggestion.timestamp = 1'700'000'123.456789;
    suggestion.estimatedTokens = 42;

    const auto json = suggestion.toJson();
    EXPECT_EQ(json.size(), 8u);
    EXPECT_EQ(json["id"], suggestion.id.string());
    EXPECT_EQ(AISuggestion::fromJson(nlohmann::json::parse(json.dump())), suggestion);

    for (const auto& key : {"id", "text", "provider", "model", "originalPrompt", "actionType", "timestamp",
                            "estimatedTokens"}) {
        SCOPED_TRACE(key);
        auto incomplete = json;
        incomplete.erase(key);
        EXPECT_THROW(AISuggestion::fromJson(incomplete), AIDecodingError);
    }
    auto wrongType = json;
    wrongType["estimatedTokens"] = "42";
    EXPECT_THROW(AISuggestion::fromJson(wrongType), AIDecodingError);
    auto extra = json;
    extra["unknown"] = true;
    EXPECT_EQ(AISuggestion::fromJson(extra), suggestion);

    AISuggestion sameText = suggestion;
    sameText.id = Uuid::random();
    EXPECT_NE(sameText, suggestion);
}

}  // namespace
}  // namespace qm
