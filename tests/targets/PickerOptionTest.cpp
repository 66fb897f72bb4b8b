#include "targets/PickerOption.h"

#include <functional>

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(PickerOptionTest, EqualAndHashedOverBothFields)
{
    const PickerOption general{"C1", "#general"};
    EXPECT_EQ(general, (PickerOption{"C1", "#general"}));
    EXPECT_NE(general, (PickerOption{"C1", "#random"}));
    EXPECT_NE(general, (PickerOption{"C2", "#general"}));
    EXPECT_EQ(std::hash<PickerOption>{}(general), std::hash<PickerOption>{}(PickerOption{"C1", "#general"}));
    EXPECT_NE(std::hash<PickerOption>{}(general), std::hash<PickerOption>{}(PickerOption{"#general", "C1"}));
}

}  // namespace
}  // namespace qm
