#include "app/views/MinimalOnboardingWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/notifications/NotificationCenter.h"
#include "platform/storage/UserDefaults.h"
#include "shell/ShortcutPreference.h"

namespace qm {

MinimalOnboardingWindow::MinimalOnboardingWindow(UserDefaults& defaults, NotificationCenter& center,
                                                 OnboardingWindow::Callbacks callbacks)
    : defaults_(defaults), center_(center), callbacks_(std::move(callbacks))
{
    setWindowTitle(QStringLiteral("Welcome to Quillmarker"));
    setFixedSize(480, 640);
    auto* layout = new QVBoxLayout(this);
    auto* welcome = new QLabel(QStringLiteral("Type //note in any text field, then your line, then Return."));
    welcome->setWordWrap(true);
    welcome->setAlignment(Qt::AlignCenter);
    auto* start = new QPushButton(QStringLiteral("Get Started"));
    start->setDefault(true);
    layout->addStretch();
    layout->addWidget(welcome);
    layout->addWidget(start, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(start, &QPushButton::clicked, this, [this] { finish(); });
}

void MinimalOnboardingWindow::present()
{
    show();
    raise();
    activateWindow();
}

void MinimalOnboardingWindow::dismiss()
{
    dismissed_ = true;
    close();
}

void MinimalOnboardingWindow::finish()
{
    defaults_.set("hasCompletedOnboarding", true);
    defaults_.set("hasSelectedShortcut", true);
    center_.post(ShortcutPreference::changedNotification);
    if (callbacks_.completed) {
        callbacks_.completed();
    }
}

void MinimalOnboardingWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!dismissed_ && callbacks_.closed) {
        dismissed_ = true;
        callbacks_.closed();
    }
}

}  // namespace qm
