#include "platform/workspace/SystemSettingsLink.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(SystemSettingsLinkTest, LinksAreWrittenAndReadBack)
{
    struct Case {
        SystemSettingsLink link;
        const char* url;
    };
    const Case cases[] = {
        {{"com.apple.preference.security", "Privacy_Accessibility"},
         "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"},
        {{"com.apple.Notifications-Settings.extension", std::nullopt},
         "x-apple.systempreferences:com.apple.Notifications-Settings.extension"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(c.link.url(), c.url);
        EXPECT_EQ(SystemSettingsLink::parse(c.url), c.link);
    }
}

TEST(SystemSettingsLinkTest, OtherLinksAreNotSettingsLinks)
{
    for (const char* url :
         {"https://example.com", "x-apple.systempreferences:", "x-apple.systempreferences:?Privacy",
          "systempreferences:com.apple.preference.security"}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(SystemSettingsLink::parse(url), std::nullopt);
    }
}

}  // namespace
}  // namespace qm
