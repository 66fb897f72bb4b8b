#include "records/CaptureQuietWindow.h"

#include <limits>

#include "platform/runtime/Clock.h"

namespace qm {

CaptureQuietWindow::CaptureQuietWindow(const Clock& clock)
    : clock_(clock), until_(-std::numeric_limits<double>::infinity())
{
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
