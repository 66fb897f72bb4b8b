#include "base/Log.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace qm {

TEST(LogTest, CaptureSeesPrintedAndLoggedLinesFromEveryThread)
{
    Log::Capture capture;
    Log::print("📁 QuillmarkerRules.db Path: /tmp/x");
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([] { Log::log("❌ SQLite NonQuery Error: boom (sql: X)"); });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(capture.count("❌ SQLite NonQuery Error"), 4u);
    EXPECT_TRUE(capture.contains("📁 QuillmarkerRules.db Path: "));
    EXPECT_FALSE(capture.contains("✅"));
}

TEST(LogTest, NestedCapturesEachSeeTheirOwnSpan)
{
    Log::Capture outer;
    Log::print("one");
    {
        Log::Capture inner;
        Log::print("two");
        EXPECT_EQ(inner.lines(), std::vector<std::string>{"two"});
    }
    EXPECT_EQ(outer.lines(), (std::vector<std::string>{"one", "two"}));
}

}  // namespace qm
