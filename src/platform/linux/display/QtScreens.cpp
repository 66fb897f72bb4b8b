#include "platform/linux/display/QtScreens.h"

#include <QGuiApplication>
#include <QObject>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "platform/linux/display/QtScreenGeometry.h"

namespace qm {

namespace {

Screen screenOf(const QScreen& screen)
{
    return {QtScreenGeometry::toScreen(QRectF(screen.geometry())),
            QtScreenGeometry::toScreen(QRectF(screen.availableGeometry()))};
}

}  // namespace

QtScreens::QtScreens() : context_(std::make_unique<QObject>())
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (application) {
        QObject::connect(application, &QGuiApplication::screenAdded, context_.get(), [this](QScreen* added) {
            watch(added);
            refresh();
        });
        QObject::connect(application, &QGuiApplication::screenRemoved, context_.get(),
                         [this](QScreen*) { refresh(); });
        QObject::connect(application, &QGuiApplication::primaryScreenChanged, context_.get(),
                         [this](QScreen*) { refresh(); });
        for (QScreen* screen : QGuiApplication::screens()) {
            watch(screen);
        }
    }
    refresh();
}

QtScreens::~QtScreens() = default;

void QtScreens::watch(QObject* object)
{
    auto* screen = qobject_cast<QScreen*>(object);
    if (!screen) {
        return;
    }
    QObject::connect(screen, &QScreen::geometryChanged, context_.get(), [this](const QRect&) { refresh(); });
    QObject::connect(screen, &QScreen::availableGeometryChanged, context_.get(),
                     [this](const QRect&) { refresh(); });
}

bool QtScreens::onGuiThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

QtScreens::Snapshot QtScreens::take()
{
    Snapshot snapshot;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return snapshot;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) {
        return snapshot;
    }
    snapshot.screens.push_back(screenOf(*primary));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) {
            snapshot.screens.push_back(screenOf(*screen));
        }
    }
    const QWindow* focused = QGuiApplication::focusWindow();
    const QScreen* main = focused && focused->screen() ? focused->screen() : primary;
    snapshot.main = screenOf(*main);
    return snapshot;
}

void QtScreens::refresh() const
{
    Snapshot snapshot = take();
    std::lock_guard lock(mutex_);
    last_ = std::move(snapshot);
}

std::vector<Screen> QtScreens::screens() const
{
    if (onGuiThread()) {
        refresh();
    }
    std::lock_guard lock(mutex_);
    return last_.screens;
}

std::optional<Screen> QtScreens::mainScreen() const
{
    if (onGuiThread()) {
        refresh();
    }
    std::lock_guard lock(mutex_);
    return last_.main;
}

}  // namespace qm
