#include "platform/runtime/BackgroundTask.h"

namespace qm {

void BackgroundTask::launch(ConcurrentQueue& queue, MainLoop& mainLoop, const CancellationToken& token,
                            Launched work)
{
    queue.async([&mainLoop, token, work = std::move(work)] {
        if (token.isCancelled()) {
            return;
        }
        MainLoop::Task report = work(token);
        if (token.isCancelled()) {
            return;
        }
        mainLoop.post([token, report = std::move(report)] {
            // Checked again on the main thread, where callers cancel.
            if (!token.isCancelled() && report) {
                report();
            }
        });
    });
}

}  // namespace qm
