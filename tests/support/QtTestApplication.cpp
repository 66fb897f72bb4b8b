#include "support/QtTestApplication.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QtGlobal>

#include <cstdio>

namespace qm::test {

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says so at every fade step; nothing else is dropped.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QStringLiteral("This plugin does not support"))) {
        return;
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    } else {
        fprintf(stderr, "%s\n", qPrintable(message));
    }
}

}  // namespace

QApplication& qtApplication()
{
    static int argc = 1;
    static char name[] = "quillmarker-tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: widgets of static test fixtures may outlive any scope.
    static QApplication* application = [] {
        previousHandler = qInstallMessageHandler(quietOffscreenNotes);
        return new QApplication(argc, argv);
    }();
    return *application;
}

bool pumpQtUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    qtApplication();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents();
        QThread::usleep(200);
    }
    return true;
}

void pumpQtFor(std::chrono::milliseconds duration)
{
    pumpQtUntil([] { return false; }, duration);
}

}  // namespace qm::test
