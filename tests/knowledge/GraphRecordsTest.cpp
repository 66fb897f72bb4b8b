#include <string>
#include <unordered_set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "knowledge/EntityNode.h"
#include "knowledge/EntityType.h"
#include "knowledge/RelationshipEdge.h"
#include "platform/sim/runtime/SimClock.h"

namespace qm {
namespace {

using Record = DatabaseManager::GraphRecord;

TEST(EntityTypeTest, OnlyTheFiveLowerCaseRawTextsAreKinds)
{
    const std::vector<std::string> raw = {"person", "project", "topic", "decision", "tool"};
    ASSERT_EQ(allEntityTypes.size(), raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(rawValue(allEntityTypes[i]), raw[i]);
        EXPECT_EQ(entityTypeFromRawValue(raw[i]), allEntityTypes[i]);
    }
    for (const char* text : {"Person", "PROJECT", "people", "tools", "", " topic", "decision "}) {
        EXPECT_EQ(entityTypeFromRawValue(text), std::nullopt) << text;
    }
}

TEST(EntityNodeTest, TimesDefaultToTheClockInSecondsSince1970)
{
    SimClock clock(1'712'345'678.25);
    const EntityNode node("n", EntityType::tool, "git", clock);
    EXPECT_EQ(node.createdAt(), 1'712'345'678.25);
    EXPECT_EQ(node.updatedAt(), 1'712'345'678.25);
    EXPECT_TRUE(node.properties().empty());
    const RelationshipEdge edge("e", "a", "b", "uses", clock);
    EXPECT_EQ(edge.createdAt(), 1'712'345'678.25);
}

TEST(EntityNodeTest, EqualityAndHashCoverEveryField)
{
    const EntityNode base("n1", EntityType::person, "Ada", {{"email", "ada@example.com"}}, 10, 20);
    const std::vector<EntityNode> variants = {
        EntityNode("n2", EntityType::person, "Ada", {{"email", "ada@example.com"}}, 10, 20),
        EntityNode("n1", EntityType::tool, "Ada", {{"email", "ada@example.com"}}, 10, 20),
        EntityNode("n1", EntityType::person, "Ada L", {{"email", "ada@example.com"}}, 10, 20),
        EntityNode("n1", EntityType::person, "Ada", {{"email", "ada@example.org"}}, 10, 20),
        EntityNode("n1", EntityType::person, "Ada", {}, 10, 20),
        EntityNode("n1", EntityType::person, "Ada", {{"email", "ada@example.com"}}, 11, 20),
        EntityNode("n1", EntityType::person, "Ada", {{"email", "ada@example.com"}}, 10, 20.5),
    };
    std::unordered_set<EntityNode> set = {base};
    for (const auto& variant : variants) {
        EXPECT_NE(variant, base);
        EXPECT_NE(variant.hash(), base.hash());
        set.insert(variant);
    }
    EXPECT_EQ(set.size(), variants.size() + 1);

    // Insertion order of the properties and the sign of a zero time do not matter.
    EntityNode::Properties forward;
    forward["a"] = "1";
    forward["b"] = "2";
    EntityNode::Properties backward;
    backward["b"] = "2";
    backward["a"] = "1";
    const EntityNode one("n", EntityType::topic, "t", forward, 0.0, 5);
    const EntityNode two("n", EntityType::topic, "t", backward, -0.0, 5);
    EXPECT_EQ(one, two);
    EXPECT_EQ(one.hash(), two.hash());

    const RelationshipEdge edge("e", "a", "b", "uses", {{"k", "v"}}, 3);
    EXPECT_EQ(edge, RelationshipEdge("e", "a", "b", "uses", {{"k", "v"}}, 3));
    EXPECT_EQ(edge.hash(), RelationshipEdge("e", "a", "b", "uses", {{"k", "v"}}, 3).hash());
    for (const auto& other : {RelationshipEdge("e", "b", "a", "uses", {{"k", "v"}}, 3),
                              RelationshipEdge("e", "a", "b", "used", {{"k", "v"}}, 3),
                              RelationshipEdge("e", "a", "b", "uses", {{"k", "w"}}, 3),
                              RelationshipEdge("e", "a", "b", "uses", {{"k", "v"}}, 4)}) {
        EXPECT_NE(other, edge);
        EXPECT_NE(other.hash(), edge.hash());
    }
}

TEST(EntityNodeTest, KeyedFormHasTheSixCamelCaseKeysAndRoundTrips)
{
    const EntityNode node("proj", EntityType::project, "app", {{"path", "/home/u/src/app"}}, 1700000000.5,
                          1700000001.25);
    const nlohmann::json encoded = node.toJson();
    EXPECT_EQ(encoded, nlohmann::json::parse(R"({"id": "proj", "type": "project", "name": "app",
        "properties": {"path": "/home/u/src/app"}, "createdAt": 1700000000.5, "updatedAt": 1700000001.25})"));
    EXPECT_EQ(EntityNode::fromJson(encoded), node);

    // Extra keys are ignored; a missing key, a wrong type or an unknown kind fails the record.
    auto extra = encoded;
    extra["colour"] = "red";
    EXPECT_EQ(EntityNode::fromJson(extra), node);
    for (const char* key : {"id", "type", "name", "properties", "createdAt", "updatedAt"}) {
        auto missing = encoded;
        missing.erase(key);
        EXPECT_EQ(EntityNode::fromJson(missing), std::nullopt) << key;
    }
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, nlohmann::json>>{{"type", "Project"},
                                                             {"type", "projects"},
                                                             {"id", 7},
                                                             {"name", nullptr},
                                                             {"properties", {{"path", 1}}},
                                                             {"properties", "path"},
                                                             {"createdAt", "1700000000"},
                                                             {"updatedAt", true}}) {
        auto wrong = encoded;
        wrong[key] = value;
        EXPECT_EQ(EntityNode::fromJson(wrong), std::nullopt) << key << " = " << value.dump();
    }

    const RelationshipEdge edge("e1", "a", "b", "works_on", {}, 12.5);
    EXPECT_EQ(edge.toJson(), nlohmann::json::parse(R"({"id": "e1", "source": "a", "target": "b",
        "relationship": "works_on", "properties": {}, "createdAt": 12.5})"));
    EXPECT_EQ(RelationshipEdge::fromJson(edge.toJson()), edge);
    auto noTarget = edge.toJson();
    noTarget.erase("target");
    EXPECT_EQ(RelationshipEdge::fromJson(noTarget), std::nullopt);
}

TEST(EntityNodeTest, ARowBecomesANodeOnlyWhenWhole)
{
    const Record whole = {
        {"id", std::string("p")},     {"type", std::string("project")},
        {"name", std::string("app")}, {"properties", DatabaseManager::StringMap{{"path", "/p"}}},
        {"created_at", 1.0},          {"updated_at", 2.0}};
    EXPECT_EQ(EntityNode::fromRecord(whole),
              EntityNode("p", EntityType::project, "app", {{"path", "/p"}}, 1, 2));
    for (const char* key : {"id", "type", "name", "properties", "created_at", "updated_at"}) {
        auto missing = whole;
        missing.erase(key);
        EXPECT_EQ(EntityNode::fromRecord(missing), std::nullopt) << key;
    }
    auto unknownKind = whole;
    unknownKind["type"] = std::string("Project");
    EXPECT_EQ(EntityNode::fromRecord(unknownKind), std::nullopt);
    auto textTime = whole;
    textTime["created_at"] = std::string("1.0");
    EXPECT_EQ(EntityNode::fromRecord(textTime), std::nullopt);
}

}  // namespace
}  // namespace qm
