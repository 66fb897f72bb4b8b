#include "settings/ShortcutRecorderModel.h"

#include <gtest/gtest.h>

#include "platform/keyboard/KeyCode.h"
#include "platform/keyboard/KeyEvent.h"
#include "shell/ShortcutPreference.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

namespace F = KeyEventFlags;
using Modifiers = ShortcutRecorderModel::Modifiers;

KeyEvent event(EventFlags flags, bool keyDown, std::uint16_t keyCode = 0)
{
    KeyEvent e = KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, keyCode, true);
    e.setType(keyDown ? KeyEventType::keyDown : KeyEventType::flagsChanged);
    e.setFlags(flags);
    return e;
}

class ShortcutRecorderModelTest : public testing::Test {
protected:
    ShortcutRecorderModelTest()
    {
        token = rig.center.addObserver(ShortcutPreference::changedNotification, nullptr,
                                       [this](const Notification&) { ++announcements; });
    }
    ~ShortcutRecorderModelTest() override { rig.center.removeObserver(token); }

    test::SettingsRig rig;
    ShortcutRecorderModel model{rig.defaults, rig.center};
    int announcements = 0;
    NotificationCenter::ObserverToken token;
};

TEST_F(ShortcutRecorderModelTest, AcceptsElevenSetsAndRefusesTheFourSystemOnes)
{
    int accepted = 0;
    for (int bits = 1; bits < 16; ++bits) {
        const Modifiers held{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
        if (!ShortcutRecorderModel::refusal(held)) {
            ++accepted;
        }
    }
    EXPECT_EQ(accepted, 11);
    EXPECT_EQ(ShortcutRecorderModel::refusal({false, false, false, true}),
              "\u23181\u20134 is reserved for macOS and Safari app tab switching. Please include Control.");
    EXPECT_EQ(ShortcutRecorderModel::refusal({false, false, true, true}),
              "\u2318\u21e71\u20134 is reserved for macOS system screenshot shortcuts.");
    EXPECT_FALSE(ShortcutRecorderModel::refusal({false, true, true, true}));
    EXPECT_FALSE(ShortcutRecorderModel::refusal({false, false, true, false}));
}

TEST_F(ShortcutRecorderModelTest, EveryAcceptedSetIsSavedAtOnceAndTheKeyEndsRecording)
{
    EXPECT_EQ(model.modifiers(), (Modifiers{true, false, false, false})) << "nothing stored reads as Control";
    EXPECT_FALSE(model.handleEvent(event(F::control, false))) << "not recording: events pass";
    EXPECT_EQ(announcements, 0);

    model.toggleRecording();
    EXPECT_FALSE(model.handleEvent(event(F::control, false)));
    EXPECT_FALSE(model.handleEvent(event(F::control | F::alternate | F::alphaShift, false)));
    EXPECT_EQ(announcements, 2);
    EXPECT_TRUE(model.handleEvent(event(F::control | F::alternate, true, 0))) << "the letter is consumed";
    EXPECT_FALSE(model.isRecording());
    EXPECT_EQ(ShortcutRecorderModel::storedModifiers(rig.defaults), (Modifiers{true, true, false, false}));
    EXPECT_TRUE(rig.defaults.boolForKey("hasSelectedShortcut"));
}

TEST_F(ShortcutRecorderModelTest, ARefusedSetIsNeverSavedAndEscRollsItBack)
{
    model.toggleRecording();
    model.handleEvent(event(F::command, false));
    EXPECT_TRUE(model.errorMessage());
    EXPECT_EQ(model.modifiers(), (Modifiers{false, false, false, true})) << "the pills follow the keys";
    EXPECT_EQ(announcements, 0);
    EXPECT_FALSE(rig.defaults.objectForKey("shortcutHasCommand"));
    model.handleEvent(event(F::alphaShift | F::secondaryFn, false));
    EXPECT_TRUE(model.errorMessage()) << "only Caps Lock or Fn held changes nothing";
    EXPECT_TRUE(model.handleEvent(event(0, true, 53)));
    EXPECT_FALSE(model.errorMessage());
    EXPECT_EQ(model.modifiers(), (Modifiers{true, false, false, false}));
}

TEST_F(ShortcutRecorderModelTest, StoppingWithTheButtonKeepsTheMessage)
{
    model.toggleRecording();
    model.handleEvent(event(F::alternate, false));
    model.toggleRecording();
    EXPECT_FALSE(model.isRecording());
    EXPECT_TRUE(model.errorMessage());
    model.toggleRecording();
    EXPECT_FALSE(model.errorMessage()) << "a new recording clears it";
}

TEST_F(ShortcutRecorderModelTest, AValueThatIsNotABooleanReadsAsItsFallback)
{
    rig.defaults.set("shortcutHasControl", "no");
    rig.defaults.set("shortcutHasShift", 1);
    EXPECT_EQ(ShortcutRecorderModel::storedModifiers(rig.defaults), (Modifiers{true, false, false, false}));
}

}  // namespace
}  // namespace qm
