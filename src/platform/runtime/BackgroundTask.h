#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/runtime/CancellationToken.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

// Runs work off the main thread and reports its result back on the main loop.
//
// `work` runs on the background queue and receives the token, which it may poll
// to stop early. Its result is handed to `completion` on the main thread. A
// cancelled task never reports: cancellation before the work starts skips the
// work, and cancellation any time before the completion runs drops the result.
// Cancelling on the main thread therefore guarantees that the completion will
// not run afterwards.
//
// The queue and the loop must outlive the task.
class BackgroundTask {
public:
    // work: R(const CancellationToken&); completion: void(R), or void() when R
    // is void. Returns the token (the one given, or a new one) to cancel with.
    template <class Work, class Completion>
    static CancellationToken run(ConcurrentQueue& queue, MainLoop& mainLoop, Work work, Completion completion,
                                 CancellationToken token = {})
    {
        using Result = std::invoke_result_t<Work&, const CancellationToken&>;
        // Held by shared pointers so that move-only work, completions and results fit std::function.
        auto body = std::make_shared<Work>(std::move(work));
        auto done = std::make_shared<Completion>(std::move(completion));
        launch(queue, mainLoop, token, [body, done](const CancellationToken& t) -> MainLoop::Task {
            if constexpr (std::is_void_v<Result>) {
                (*body)(t);
                return [done] { (*done)(); };
            } else {
                auto result = std::make_shared<Result>((*body)(t));
                return [done, result] { (*done)(std::move(*result)); };
            }
        });
        return token;
    }

private:
    using Launched = std::function<MainLoop::Task(const CancellationToken&)>;
    static void launch(ConcurrentQueue& queue, MainLoop& mainLoop, const CancellationToken& token,
                       Launched work);
};

}  // namespace qm
