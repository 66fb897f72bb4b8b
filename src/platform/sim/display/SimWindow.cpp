#include "platform/sim/display/SimWindow.h"

#include <string>

#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/display/SimApplicationWindows.h"

namespace qm {

SimWindow::SimWindow(SimApplicationWindows& windows, NotificationCenter& center)
    : windows_(windows), center_(center)
{
}

SimWindow::~SimWindow()
{
    windows_.forget(this);
}

bool SimWindow::isKeyWindow() const
{
    return windows_.keyWindow() == this;
}

void SimWindow::close()
{
    center_.post(std::string(Window::willCloseNotification), this);
    windows_.forget(this);
}

}  // namespace qm
