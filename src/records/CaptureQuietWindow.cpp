#include "records/CaptureQuietWindow.h"

#include <atomic>
#include <limits>

#include "platform/runtime/Clock.h"

namespace qm {

namespace {

std::atomic<CaptureQuietWindow*>& installedInstance()
{
    static std::atomic<CaptureQuietWindow*> instance{nullptr};
    return instance;
}

}  // namespace

CaptureQuietWindow::CaptureQuietWindow(const Clock& clock)
    : clock_(clock), until_(-std::numeric_limits<double>::infinity())
{
}

CaptureQuietWindow& CaptureQuietWindow::shared()
{
    if (CaptureQuietWindow* instance = installedInstance().load()) {
        return *instance;
    }
    static CaptureQuietWindow fallback(Clock::system());
    return fallback;
}

void CaptureQuietWindow::setShared(CaptureQuietWindow* instance)
{
    installedInstance().store(instance);
}

void CaptureQuietWindow::begin()
{
    until_ = clock_.now() + duration;
}

bool CaptureQuietWindow::isActive() const
{
    return clock_.now() < until_;
}

}  // namespace qm
