#include "base/Uuid.h"

#include <set>

#include <gtest/gtest.h>

#include "base/Regex.h"

namespace qm {
namespace {

TEST(UuidTest, RandomIdentifiersAreUpperCaseVersion4AndDistinct)
{
    const auto form = Regex::compile("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
    ASSERT_TRUE(form);
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        const auto text = Uuid::random().string();
        ASSERT_TRUE(form->hasMatch(text)) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 2000u);
}

TEST(UuidTest, ReadsTheStandardFormInEitherCase)
{
    const auto upper = Uuid::fromString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->bytes()[0], 0xE6);
    EXPECT_EQ(upper->bytes()[15], 0x5F);
    EXPECT_EQ(upper->string(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");

    const auto lower = Uuid::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(lower);
    EXPECT_EQ(*lower, *upper);
    EXPECT_EQ(lower->string(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");

    const auto random = Uuid::random();
    EXPECT_EQ(Uuid::fromString(random.string()), random);
}

TEST(UuidTest, RejectsEverythingElse)
{
    for (const char* text : {
             "",
             "E621E1F8C36C495A93FC0C247A3E6E5F",
             "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}",
             " E621E1F8-C36C-495A-93FC-0C247A3E6E5F",
             "E621E1F8-C36C-495A-93FC-0C247A3E6E5",
             "E621E1F8-C36C-495A-93FC-0C247A3E6E5F0",
             "E621E1F8-C36C-495A-93FC_0C247A3E6E5F",
             "E621E1F8-C36C-495A-93FC-0C247A3E6E5G",
             "E621E1F-8C36C-495A-93FC-0C247A3E6E5F",
             "decision_E621E1F8",
         }) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Uuid::fromString(text));
    }
}

}  // namespace
}  // namespace qm
