#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "base/PlatformError.h"
#include "platform/runtime/CancellationToken.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

// Lets a background task use a service that lives on the main thread and
// answers through a completion: `start` runs on the main loop with a
// completion to call once (on any thread), and the calling thread waits for
// that answer. Later calls of the completion are ignored.
//
// The main thread itself must never wait for the main loop: called there, it
// throws std::logic_error instead of blocking for ever. A main thread that is
// itself waiting for the background work to end (the program quitting)
// cancels `shutdown` first: the wait then ends with MainLoopWaitAbandoned.
// So does a completion that is dropped without being called.
class MainLoopWaitAbandoned : public PlatformError {
public:
    static constexpr const char* kDomain = "MainLoopWait";

    MainLoopWaitAbandoned()
        : PlatformError(kDomain, 0, "The program stopped before the capture was delivered.")
    {
    }
};

template <class T>
T awaitOnMainLoop(MainLoop& loop, const CancellationToken& shutdown,
                  std::function<void(std::function<void(T)>)> start)
{
    if (loop.isMainThread()) {
        throw std::logic_error("awaitOnMainLoop: the main thread cannot wait for its own loop");
    }
    auto answer = std::make_shared<std::promise<T>>();
    auto answered = std::make_shared<std::once_flag>();
    std::future<T> result = answer->get_future();
    loop.post([start = std::move(start), answer, answered, shutdown] {
        if (shutdown.isCancelled()) {
            return;  // what `start` would touch may be gone; the waiter hears a broken promise
        }
        start([answer, answered](T value) {
            std::call_once(*answered, [&] { answer->set_value(std::move(value)); });
        });
    });
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (shutdown.isCancelled()) {
            throw MainLoopWaitAbandoned();
        }
    }
    try {
        return result.get();
    } catch (const std::future_error&) {
        throw MainLoopWaitAbandoned();
    }
}

}  // namespace qm
