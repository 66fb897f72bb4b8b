#include "targets/ClipboardTarget.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "base/PlatformError.h"
#include "platform/sim/workspace/SimPasteboard.h"
#include "platform/workspace/Pasteboard.h"
#include "targets/LandingRig.h"

namespace qm::test {
namespace {

using Types = std::vector<std::string>;

// The clipboard holding rich text that someone copied before.
class ClipboardTargetTest : public LandingRig {
protected:
    ClipboardTargetTest()
    {
        pasteboard.declareTypes({std::string(Pasteboard::typeRTF), std::string(Pasteboard::typeString)});
        EXPECT_TRUE(pasteboard.setString("{\\rtf1 old}", Pasteboard::typeRTF));
        EXPECT_TRUE(pasteboard.setString("old", Pasteboard::typeString));
    }

    SimPasteboard& pasteboard = stage.platform.pasteboard;
    ClipboardTarget target{pasteboard, landing};
};

TEST_F(ClipboardTargetTest, TrimmedLineBecomesTheOnlyContent)
{
    EXPECT_EQ(target.commandName(), "copy");
    EXPECT_FALSE(target.needsPicker());
    EXPECT_TRUE(target.pickerOptions(CancellationToken()).empty());

    Log::Capture log;
    target.send(" \n first line\nsecond line \t\n", PickerOption{"ignored", "Ignored"});

    EXPECT_EQ(pasteboard.types(), Types{std::string(Pasteboard::typeString)});
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "first line\nsecond line");
    EXPECT_EQ(pasteboard.string(Pasteboard::typeRTF), std::nullopt);
    EXPECT_EQ(hud, (std::vector<HudMessage>{{"Copied", std::nullopt}}));
    EXPECT_TRUE(openLoops.loops().empty());
    EXPECT_EQ(openLoops.lastReceipt(), "Copied");
    EXPECT_EQ(openLoops.lastRevealPath(), std::nullopt);
    EXPECT_TRUE(log.contains(
        "📝 ClipboardTarget: Successfully copied text to NSPasteboard: 'first line\nsecond line'"));
}

TEST_F(ClipboardTargetTest, AWhenLineIsParkedByTheLanding)
{
    target.send("when I open the budget, check the totals", std::nullopt);
    ASSERT_EQ(openLoops.loops().size(), 1u);
    EXPECT_EQ(openLoops.loops().front().target, "copy");
    EXPECT_EQ(openLoops.loops().front().receipt, "Copied");
}

TEST_F(ClipboardTargetTest, BlankTextLeavesTheClipboardAlone)
{
    const long before = pasteboard.changeCount();
    for (const char* blank : {"", "  ", "\n\t "}) {
        target.send(blank, std::nullopt);
    }
    EXPECT_EQ(pasteboard.changeCount(), before);
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "old");
    EXPECT_TRUE(hud.empty());
}

TEST_F(ClipboardTargetTest, RefusedWriteFailsUnconfirmed)
{
    pasteboard.setWritesFail(true);
    try {
        target.send("call mom", std::nullopt);
        FAIL() << "the send did not fail";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error, PlatformError("ClipboardTarget", 1, "Failed to write to the clipboard."));
    }
    // The clipboard was emptied before the write was refused.
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), std::nullopt);
    EXPECT_EQ(pasteboard.string(Pasteboard::typeRTF), std::nullopt);
    EXPECT_TRUE(hud.empty());
    EXPECT_EQ(openLoops.lastReceipt(), std::nullopt);
}

}  // namespace
}  // namespace qm::test
