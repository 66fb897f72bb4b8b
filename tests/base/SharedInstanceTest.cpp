#include "base/SharedInstance.h"

#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "base/ScopedShared.h"

namespace qm {
namespace {

struct Service {
    int id = 0;
};

std::string failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::logic_error& error) {
        return error.what();
    }
    return "<no failure>";
}

TEST(SharedInstanceTest, NothingInstalledFailsLoudlyNamingTheType)
{
    EXPECT_EQ(SharedInstance<Service>::installed(), nullptr);
    EXPECT_EQ(failureOf([] { SharedInstance<Service>::get("Service"); }),
              "Service::shared(): nothing was installed; the composition root installs it");
}

TEST(SharedInstanceTest, ScopedInstallersNestAndPutBackWhatWasThere)
{
    Service outer{1};
    Service inner{2};
    {
        const ScopedShared<Service> first(outer);
        EXPECT_EQ(&SharedInstance<Service>::get("Service"), &outer);
        {
            const ScopedShared<Service> second(inner);
            EXPECT_EQ(&SharedInstance<Service>::get("Service"), &inner);
        }
        EXPECT_EQ(&SharedInstance<Service>::get("Service"), &outer);
    }
    EXPECT_EQ(SharedInstance<Service>::installed(), nullptr);
    EXPECT_THROW(SharedInstance<Service>::get("Service"), std::logic_error);
}

}  // namespace
}  // namespace qm
