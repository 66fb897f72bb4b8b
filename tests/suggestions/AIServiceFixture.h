#pragma once

#include <string>

#include <gtest/gtest.h>

#include "suggestions/AIServiceRig.h"

namespace qm::test {

// A case run once for each service named by the parameter, on its own rig.
class AIServiceFixture : public ::testing::TestWithParam<ServiceKind> {
protected:
    const ServiceTraits& traits() const { return traitsOf(GetParam()); }

    // One stream of "hello" from the service at `endpoint` (the rig's server
    // when empty), waited for up to `seconds`.
    StreamRecorder runStream(const std::string& endpoint = {}, double seconds = 5)
    {
        auto service = rig.make(GetParam(), endpoint);
        StreamRecorder recorder;
        service->streamResponse("hello", std::nullopt, 64, {}, recorder.handler());
        EXPECT_TRUE(recorder.waitForEnd(seconds));
        return recorder;
    }

    AIServiceRig rig;
};

}  // namespace qm::test
