#include "platform/linux/display/QtApplicationWindows.h"

#include <QApplication>
#include <QWidget>

namespace qm {

const void* QtApplicationWindows::keyWindow() const
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return nullptr;
    }
    return QApplication::activeWindow();
}

}  // namespace qm
