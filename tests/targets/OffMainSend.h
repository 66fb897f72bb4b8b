#pragma once

#include <atomic>
#include <exception>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/runtime/CancellationToken.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "targets/CaptureTarget.h"

namespace qm::test {

// Sends on a thread of its own, as the background queue does, while the
// test's thread runs the main loop, whose services the send waits for. What
// the send threw, or nullptr. A send still waiting after five seconds fails the
// test; `shutdown` (the target's) then releases it.
inline std::exception_ptr sendOffMain(SimMainLoop& loop, CaptureTarget& target, const std::string& text,
                                      const CancellationToken& shutdown)
{
    std::atomic<bool> done{false};
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            target.send(text, std::nullopt);
        } catch (...) {
            error = std::current_exception();
        }
        done = true;
        loop.post([] {});  // wakes the pumping thread, which waits for posts
    });
    const bool finished = loop.runUntil([&] { return done.load(); });
    EXPECT_TRUE(finished) << "the send of '" << text << "' did not finish";
    if (!finished) {
        shutdown.cancel();
    }
    worker.join();
    // What the landing queued from the send's thread.
    loop.runUntilIdle();
    return error;
}

// The sentence of a failed send; "<none>" when it did not fail.
inline std::string failureText(const std::exception_ptr& error)
{
    if (!error) {
        return "<none>";
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        return failure.what();
    }
}

}  // namespace qm::test
