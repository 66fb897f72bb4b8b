#include "platform/notifications/UserInfo.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qm {
namespace {

struct Point {
    double x;
    double y;
};

UserInfo sample()
{
    UserInfo nested{{"field", "notifications"}};
    UserInfo info{
        {"saved", true},    {"count", 3},         {"big", std::int64_t{1} << 40},
        {"ratio", 0.5},     {"message", "Saved"}, {"tags", std::vector<std::string>{"a", "b"}},
        {"nested", nested},
    };
    info.set("point", UserInfo::Value::opaque(Point{1, 2}));
    return info;
}

// Which keys read as present for each requested type: everything else is absent.
TEST(UserInfoTest, ReadsOnlyTheStoredKind)
{
    const UserInfo info = sample();
    const std::vector<std::string> keys = info.keys();
    const auto presentFor = [&](auto probe) {
        using T = decltype(probe);
        std::vector<std::string> present;
        for (const auto& key : keys) {
            if (info.get<T>(key)) {
                present.push_back(key);
            }
        }
        return present;
    };
    EXPECT_EQ(presentFor(bool{}), std::vector<std::string>{"saved"});
    EXPECT_EQ(presentFor(std::int64_t{}), (std::vector<std::string>{"big", "count"}));
    EXPECT_EQ(presentFor(int{}), std::vector<std::string>{"count"});  // 2^40 does not fit an int
    EXPECT_EQ(presentFor(double{}), std::vector<std::string>{"ratio"});
    EXPECT_EQ(presentFor(std::string{}), std::vector<std::string>{"message"});
    EXPECT_EQ(presentFor(std::vector<std::string>{}), std::vector<std::string>{"tags"});
    EXPECT_EQ(presentFor(UserInfo{}), std::vector<std::string>{"nested"});
    EXPECT_EQ(presentFor(Point{}), std::vector<std::string>{"point"});
    EXPECT_FALSE(info.get<std::string>("missing"));
}

TEST(UserInfoTest, ValuesReadBack)
{
    const UserInfo info = sample();
    EXPECT_EQ(info.get<int>("count"), 3);
    EXPECT_EQ(info.get<std::int64_t>("big"), std::int64_t{1} << 40);
    EXPECT_EQ(info.get<double>("ratio"), 0.5);
    EXPECT_EQ(info.get<std::string>("message"), "Saved");
    EXPECT_EQ(info.get<std::vector<std::string>>("tags"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(info.get<UserInfo>("nested")->get<std::string>("field"), "notifications");
    EXPECT_EQ(info.get<Point>("point")->y, 2);
}

TEST(UserInfoTest, IntegerRangeIsCheckedForTheRequestedWidth)
{
    UserInfo info{{"negative", -1}, {"max", std::numeric_limits<std::uint64_t>::max()}};
    EXPECT_EQ(info.get<int>("negative"), -1);
    EXPECT_FALSE(info.get<unsigned>("negative"));
    EXPECT_FALSE(info.get<std::uint64_t>("negative"));
    // Beyond int64 it is kept as its own type rather than wrapped.
    EXPECT_EQ(info.get<std::uint64_t>("max"), std::numeric_limits<std::uint64_t>::max());
    EXPECT_FALSE(info.get<std::int64_t>("max"));
}

TEST(UserInfoTest, SetReplacesAndRemoveForgets)
{
    UserInfo info;
    EXPECT_TRUE(info.empty());
    info.set("message", "one");
    info.set("message", 2);
    EXPECT_FALSE(info.get<std::string>("message"));
    EXPECT_EQ(info.get<int>("message"), 2);
    EXPECT_EQ(info.size(), 1u);
    info.remove("message");
    EXPECT_FALSE(info.contains("message"));
}

}  // namespace
}  // namespace qm
