#include "platform/sim/views/HostWindow.h"

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QVBoxLayout>

#include "platform/linux/display/QtMouseDownMonitor.h"
#include "platform/linux/display/QtScreenGeometry.h"
#include "platform/notifications/Notification.h"
#include "platform/sim/accessibility/SimTextFieldSpec.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/views/HostTextFieldWidget.h"
#include "platform/workspace/Workspace.h"

namespace qm {

namespace {

SimTextFieldSpec fieldSpec(const HostWindow::Spec& spec)
{
    SimTextFieldSpec field;
    field.kind = spec.kind;
    field.value = spec.value;
    field.title = spec.windowTitle;
    field.frame = Rect(0, 0, 400, spec.kind == SimTextKind::multiLine ? 120 : 22);
    return field;
}

}  // namespace

HostWindow::HostWindow(StandInDesktop& desktop, const Spec& spec)
    : desktop_(desktop), application_(desktop.addApplication(spec.bundleIdentifier, spec.applicationName)),
      window_(application_.addWindow(spec.windowTitle)), field_(window_.addTextField(fieldSpec(spec)))
{
    setWindowTitle(QString::fromStdString(spec.applicationName + " — " + spec.windowTitle));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QtMouseDownMonitor::markForeignWindow(*this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    auto* hint = new QLabel(QStringLiteral("Another application's text field. Type //note and Space."), this);
    hint->setTextFormat(Qt::PlainText);
    layout->addWidget(hint);
    fieldWidget_ = new HostTextFieldWidget(field_, desktop.keyboard(), this);
    if (spec.kind == SimTextKind::multiLine) {
        fieldWidget_->setMinimumHeight(120);
    } else {
        fieldWidget_->setFixedHeight(22);
    }
    fieldWidget_->setMinimumWidth(400);
    layout->addWidget(fieldWidget_);
    layout->addStretch();
    field_.focus();

    // The desktop gives the application the keyboard back (a capture ended):
    // so does Qt to this window.
    activationObserver_ = desktop.workspace().notificationCenter().addObserver(
        std::string(Workspace::didActivateApplicationNotification), nullptr,
        alive_.guard([this](const Notification&) {
            if (application_.isFrontmost() && !isActiveWindow() && isVisible()) {
                raise();
                activateWindow();
                fieldWidget_->setFocus(Qt::ActiveWindowFocusReason);
            }
        }));
}

HostWindow::~HostWindow()
{
    desktop_.workspace().notificationCenter().removeObserver(activationObserver_);
    application_.terminate();
}

QMenuBar& HostWindow::menuBar()
{
    if (!menuBar_) {
        menuBar_ = new QMenuBar(this);
        layout()->setMenuBar(menuBar_);
    }
    return *menuBar_;
}

void HostWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        application_.activate();
        field_.focus();
    }
    QWidget::changeEvent(event);
}

void HostWindow::moveEvent(QMoveEvent* event)
{
    syncFrames();
    QWidget::moveEvent(event);
}

void HostWindow::resizeEvent(QResizeEvent* event)
{
    syncFrames();
    QWidget::resizeEvent(event);
}

void HostWindow::syncFrames()
{
    window_.setFrame(QtScreenGeometry::toAccessibility(QRectF(frameGeometry())));
    if (fieldWidget_) {
        fieldWidget_->syncFrame();
    }
}

}  // namespace qm
