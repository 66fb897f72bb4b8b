#include "platform/workspace/Pasteboard.h"
#include "platform/sim/workspace/SimPasteboard.h"

#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace qm {
namespace {

using Types = std::vector<std::string>;

TEST(PasteboardTest, OwnershipChangesRaiseTheChangeCountAndWritesDoNot)
{
    SimPasteboard pasteboard;
    EXPECT_EQ(pasteboard.changeCount(), 0);
    EXPECT_EQ(pasteboard.clearContents(), 1);
    EXPECT_TRUE(pasteboard.setString("hello", Pasteboard::typeString));
    EXPECT_EQ(pasteboard.changeCount(), 1);
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "hello");
    EXPECT_EQ(pasteboard.declareTypes({std::string(Pasteboard::typeString)}), 2);
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), std::nullopt) << "declaring drops the old content";
    EXPECT_EQ(pasteboard.types(), Types{std::string(Pasteboard::typeString)});
}

TEST(PasteboardTest, ACopyOfPlainTextLeavesNoOtherRepresentation)
{
    SimPasteboard pasteboard;
    pasteboard.clearContents();
    ASSERT_TRUE(pasteboard.setString("{\\rtf1 bold}", Pasteboard::typeRTF));
    ASSERT_TRUE(pasteboard.setString("bold", Pasteboard::typeString));

    pasteboard.clearContents();
    pasteboard.declareTypes({std::string(Pasteboard::typeString)});
    ASSERT_TRUE(pasteboard.setString("line one\nline two", Pasteboard::typeString));

    EXPECT_EQ(pasteboard.types(), Types{std::string(Pasteboard::typeString)});
    EXPECT_EQ(pasteboard.string(Pasteboard::typeRTF), std::nullopt);
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "line one\nline two");
}

TEST(PasteboardTest, ARefusedWriteReportsFalseAndChangesNothing)
{
    SimPasteboard pasteboard;
    pasteboard.clearContents();
    ASSERT_TRUE(pasteboard.setString("kept", Pasteboard::typeString));

    pasteboard.setWritesFail(true);
    EXPECT_FALSE(pasteboard.setString("lost", Pasteboard::typeString));
    EXPECT_FALSE(pasteboard.setString("lost", Pasteboard::typeHTML));
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "kept");
    EXPECT_EQ(pasteboard.types(), Types{std::string(Pasteboard::typeString)});
    EXPECT_EQ(pasteboard.writeAttempts(), 3);

    pasteboard.setWritesFail(false);
    EXPECT_TRUE(pasteboard.setString("written", Pasteboard::typeString));
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "written");
}

TEST(PasteboardTest, WritersOnSeveralThreadsLeaveOneWholeValue)
{
    SimPasteboard pasteboard;
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 4; ++writer) {
        writers.emplace_back([&pasteboard, writer] {
            for (int round = 0; round < 200; ++round) {
                pasteboard.clearContents();
                (void)pasteboard.setString("writer " + std::to_string(writer), Pasteboard::typeString);
                (void)pasteboard.string(Pasteboard::typeString);
            }
        });
    }
    for (auto& thread : writers) {
        thread.join();
    }
    EXPECT_EQ(pasteboard.changeCount(), 800);
    const auto value = pasteboard.string(Pasteboard::typeString);
    ASSERT_TRUE(value);
    EXPECT_TRUE(value->starts_with("writer ")) << *value;
}

}  // namespace
}  // namespace qm
