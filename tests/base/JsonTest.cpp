#include "base/Json.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qm {
namespace {

std::string nested(std::size_t depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(JsonTest, ParseAcceptsDocumentsAndNeverThrowsOnBadOnes)
{
    const std::vector<std::string> valid = {
        "{}",
        "[]",
        "0",
        "\"text\"",
        "null",
        " {\"a\": [1, 2.5, true, null, \"\\u00e9\"]} ",
        // Brackets inside strings do not nest, whatever the escapes around them.
        "[\"" + std::string(600, '[') + "\"]",
        "[\"\\\"" + std::string(600, '{') + "\"]",
        "[\"a\\\\\", \"" + std::string(600, '[') + "\"]",
        nested(json::kMaxDepth),
    };
    for (const auto& text : valid) {
        EXPECT_TRUE(json::parse(text)) << text.substr(0, 60);
    }
    const std::vector<std::string> invalid = {
        "",
        "{",
        "{} trailing",
        "{\"a\":1,}",
        "'single'",
        "NaN",
        "1e400",
        "\"\xff\"",                    // invalid UTF-8
        std::string("{\"a\":\0}", 7),  // embedded NUL
        // A NUL after a whole document: the parser would stop there and take it.
        std::string("{\"id\":1}\0{\"x\":", 14),
        std::string("{\"id\":1} \0\0`0\0z\xea\xbe}", 18),
        std::string("[]\0", 3),
        nested(json::kMaxDepth + 1),
        nested(200000),  // would overflow the stack when copied or dumped
        "{\"a\":" + nested(json::kMaxDepth) + "}",
    };
    for (const auto& text : invalid) {
        EXPECT_EQ(json::parse(text), std::nullopt) << text.substr(0, 60);
    }
}

TEST(JsonTest, ParseWithALimitSaysWhyWithoutQuotingTheText)
{
    std::string error;
    EXPECT_TRUE(json::parse(nested(128), 128, &error));
    EXPECT_EQ(json::parse(nested(129), 128, &error), std::nullopt);
    EXPECT_EQ(error, "nesting deeper than 128 levels");

    const std::vector<std::string> secretBearing = {
        R"({"value": "hunter2)",         // cut short inside a string
        R"({"value": hunter2})",         // a bare word
        "{\"value\": \"hunter2\xff\"}",  // invalid UTF-8
        R"({"value": 1e999, "key": "hunter2"})",
        "[1e999]",
    };
    for (const auto& text : secretBearing) {
        error.clear();
        EXPECT_EQ(json::parse(text, 128, &error), std::nullopt) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(error.find("hunter2"), std::string::npos) << error;
        EXPECT_EQ(error.find("999"), std::string::npos) << error;
        EXPECT_EQ(error.find("json.exception"), std::string::npos) << error;
    }
    error.clear();
    EXPECT_EQ(json::parse("{", 128, &error), std::nullopt);
    EXPECT_EQ(
        error,
        "parse error at line 1, column 2: syntax error while parsing object key - unexpected end of input; "
        "expected string literal");
}

TEST(JsonTest, SerializeIsCompactAndSurvivesInvalidUtf8)
{
    auto document = json::parse(R"({ "name" : "Zoë", "list" : [ 1, 2 ] })");
    ASSERT_TRUE(document);
    EXPECT_EQ(json::serialize(*document), "{\"list\":[1,2],\"name\":\"Zoë\"}");

    nlohmann::json value = {{"typed", std::string("ab\xff"
                                                  "cd")}};
    EXPECT_EQ(json::serialize(value), "{\"typed\":\"ab\xef\xbf\xbd"
                                      "cd\"}");
}

class JsonReadersTest : public ::testing::Test {
protected:
    const nlohmann::json object = *json::parse(R"({
        "s": "text", "b": true, "i": -42, "u": 18446744073709551615, "f": 2.5, "whole": 3.0,
        "huge": 1e300, "n": null, "o": {"k": "v"}, "a": [1], "mixed": {"k": "v", "n": 1}, "empty": {}
    })");
};

TEST_F(JsonReadersTest, RightTypeReadsWrongTypeOrMissingIsAbsent)
{
    EXPECT_EQ(json::stringAt(object, "s"), "text");
    EXPECT_EQ(json::boolAt(object, "b"), true);
    EXPECT_EQ(json::numberAt(object, "i"), -42.0);
    EXPECT_EQ(json::numberAt(object, "f"), 2.5);
    EXPECT_EQ(json::integerAt(object, "i"), -42);
    EXPECT_EQ(json::integerAt(object, "whole"), 3);
    ASSERT_NE(json::objectAt(object, "o"), nullptr);
    EXPECT_EQ(json::objectAt(object, "o")->at("k"), "v");
    ASSERT_NE(json::arrayAt(object, "a"), nullptr);
    EXPECT_EQ(json::arrayAt(object, "a")->size(), 1u);
    EXPECT_EQ(json::stringMapAt(object, "o"), (std::map<std::string, std::string>{{"k", "v"}}));
    EXPECT_EQ(json::stringMapAt(object, "empty"), (std::map<std::string, std::string>{}));

    // Which readers find a value under each key; every other reader must read it as absent.
    struct Row {
        const char* key;
        bool string, boolean, number, integer, object, array, stringMap;
    };
    const Row rows[] = {
        {"s", true, false, false, false, false, false, false},
        {"b", false, true, false, false, false, false, false},
        {"i", false, false, true, true, false, false, false},
        {"f", false, false, true, false, false, false, false},
        {"n", false, false, false, false, false, false, false},
        {"o", false, false, false, false, true, false, true},
        {"a", false, false, false, false, false, true, false},
        {"missing", false, false, false, false, false, false, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(json::stringAt(object, row.key).has_value(), row.string) << row.key;
        EXPECT_EQ(json::boolAt(object, row.key).has_value(), row.boolean) << row.key;
        EXPECT_EQ(json::numberAt(object, row.key).has_value(), row.number) << row.key;
        EXPECT_EQ(json::integerAt(object, row.key).has_value(), row.integer) << row.key;
        EXPECT_EQ(json::objectAt(object, row.key) != nullptr, row.object) << row.key;
        EXPECT_EQ(json::arrayAt(object, row.key) != nullptr, row.array) << row.key;
        EXPECT_EQ(json::stringMapAt(object, row.key).has_value(), row.stringMap) << row.key;
    }
}

TEST_F(JsonReadersTest, EdgesOfTheTypedReads)
{
    EXPECT_EQ(json::integerAt(object, "u"), std::nullopt) << "beyond int64";
    EXPECT_EQ(json::integerAt(object, "huge"), std::nullopt) << "whole but beyond int64";
    EXPECT_EQ(json::stringMapAt(object, "mixed"), std::nullopt) << "one non-string value";
    // A container that is not an object has no members at all.
    const nlohmann::json notObjects[] = {nlohmann::json::array({"s"}), "s", nullptr, 1};
    for (const auto& value : notObjects) {
        EXPECT_EQ(json::stringAt(value, "s"), std::nullopt) << value.dump();
        EXPECT_EQ(json::objectAt(value, "s"), nullptr) << value.dump();
    }
}

}  // namespace
}  // namespace qm
