#include "settings/GeneralSettingsModel.h"

#include <gtest/gtest.h>

#include "support/SettingsRig.h"

namespace qm {
namespace {

TEST(GeneralSettingsModelTest, TheSwitchIsStoredAndAppliedOncePerChange)
{
    test::SettingsRig rig;
    GeneralSettingsModel model{rig.defaults, rig.center, [&](bool on) { rig.mcpCalls.push_back(on); }};
    EXPECT_FALSE(model.isMCPServerEnabled());
    EXPECT_TRUE(rig.mcpCalls.empty()) << "opening the page starts and stops nothing";

    model.setMCPServerEnabled(true);
    EXPECT_EQ(rig.defaults.objectForKey("isMCPServerEnabled"), DefaultsValue(true));
    model.setMCPServerEnabled(true);
    model.setMCPServerEnabled(false);
    EXPECT_EQ(rig.mcpCalls, (std::vector<bool>{true, false}));
    EXPECT_FALSE(rig.defaults.boolForKey("isMCPServerEnabled"));
}

TEST(GeneralSettingsModelTest, AChangeMadeInTheDefaultsElsewhereIsShownAndApplied)
{
    test::SettingsRig rig;
    GeneralSettingsModel model{rig.defaults, rig.center, [&](bool on) { rig.mcpCalls.push_back(on); }};
    int redraws = 0;
    model.onChange = [&] { ++redraws; };
    rig.defaults.set("isMCPServerEnabled", true);
    EXPECT_TRUE(model.isMCPServerEnabled());
    EXPECT_EQ(rig.mcpCalls, std::vector<bool>{true});
    EXPECT_EQ(redraws, 1);
    rig.defaults.set("unrelated", 3);
    EXPECT_EQ(rig.mcpCalls.size(), 1u);
}

}  // namespace
}  // namespace qm
