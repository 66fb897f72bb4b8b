#include "targets/CalcTarget.h"

#include <gtest/gtest.h>

#include "base/Log.h"
#include "base/PlatformError.h"
#include "platform/sim/workspace/SimPasteboard.h"
#include "platform/workspace/Pasteboard.h"
#include "targets/CalcExpressionError.h"
#include "targets/LandingRig.h"

namespace qm::test {
namespace {

class CalcTargetTest : public LandingRig {
protected:
    CalcTargetTest()
    {
        pasteboard.declareTypes({std::string(Pasteboard::typeRTF), std::string(Pasteboard::typeString)});
        EXPECT_TRUE(pasteboard.setString("{\\rtf1 old}", Pasteboard::typeRTF));
        EXPECT_TRUE(pasteboard.setString("old", Pasteboard::typeString));
    }

    SimPasteboard& pasteboard = stage.platform.pasteboard;
    CalcTarget target{pasteboard, landing};
};

TEST_F(CalcTargetTest, TheResultIsTheOnlyContentOfTheClipboard)
{
    EXPECT_EQ(target.commandName(), "calc");
    EXPECT_FALSE(target.needsPicker());
    EXPECT_TRUE(target.pickerOptions(CancellationToken()).empty());

    Log::Capture log;
    target.send(" 15% of 847\n", std::nullopt);

    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{std::string(Pasteboard::typeString)});
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "127.05");
    EXPECT_EQ(hud, (std::vector<HudMessage>{{"= 127.05", "function"}}));
    EXPECT_EQ(openLoops.lastReceipt(), "= 127.05");
    EXPECT_TRUE(openLoops.loops().empty());
    EXPECT_TRUE(log.contains("🧮 CalcTarget: Evaluated '15% of 847' -> 127.05"));

    target.send("2+2", std::nullopt);
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "4");
}

TEST_F(CalcTargetTest, FailuresLeaveNoConfirmation)
{
    const long before = pasteboard.changeCount();
    EXPECT_THROW(target.send("1/0", std::nullopt), CalcExpressionError);
    EXPECT_THROW(target.send("", std::nullopt), CalcExpressionError);
    // The clipboard is untouched when the arithmetic fails.
    EXPECT_EQ(pasteboard.changeCount(), before);
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "old");

    // A refused write is a failure, so that the line is kept in the recovery log.
    pasteboard.setWritesFail(true);
    try {
        target.send("2+2", std::nullopt);
        FAIL() << "the send did not fail";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error, PlatformError("CalcTarget", 1, "Failed to write to the clipboard."));
    }
    EXPECT_TRUE(hud.empty());
    EXPECT_EQ(openLoops.lastReceipt(), std::nullopt);
}

}  // namespace
}  // namespace qm::test
