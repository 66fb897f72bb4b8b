#include "app/views/QtStatusItem.h"

#include <QCursor>
#include <QIcon>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "app/StatusMenuController.h"
#include "app/views/StatusMenuWidget.h"
#include "base/Log.h"
#include "platform/sim/views/HostWindow.h"

namespace qm {

namespace {

// The menu-bar icon: a speech bubble, drawn in one colour as a template image
// is, at the tray's usual sizes.
QIcon bubbleIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 16.0;
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(1.5 * unit, 2 * unit, 13 * unit, 9 * unit), 3 * unit, 3 * unit);
        QPainterPath tail;
        tail.moveTo(4 * unit, 10.5 * unit);
        tail.lineTo(4 * unit, 14 * unit);
        tail.lineTo(8 * unit, 10.5 * unit);
        tail.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(40, 40, 40));
        painter.drawPath(bubble.united(tail));
        painter.setBrush(Qt::white);
        for (const qreal x : {5.0, 8.0, 11.0}) {
            painter.drawEllipse(QPointF(x * unit, 6.5 * unit), unit, unit);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

class QtStatusItem::CountdownTitle final : public CountdownTitleSink {
public:
    explicit CountdownTitle(QtStatusItem& item) : item_(item) {}
    void showCountdown(const std::string& title, const std::string& toolTip) override
    {
        item_.showCountdown(title, toolTip);
    }

private:
    QtStatusItem& item_;
};

QtStatusItem::QtStatusItem(StatusMenuController& controller, HostWindow& host)
    : menu_(new StatusMenuWidget([&controller] { return controller.currentMenu(); },
                                 [&controller](const StatusMenuItem& item) { controller.perform(item); }))
{
    menu_->setTitle(QString::fromUtf8(kToolTip));
    menu_->rebuild();
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = new QSystemTrayIcon(bubbleIcon());
        tray_->setContextMenu(menu_);
        // A click on the icon opens the menu, as a status item does.
        QObject::connect(tray_, &QSystemTrayIcon::activated, menu_, [menu = menu_](auto reason) {
            if (reason == QSystemTrayIcon::Trigger && menu) {
                menu->popup(QCursor::pos());
            }
        });
        tray_->show();
        Log::print("📌 StatusItem: the menu is on the icon in the system tray");
    } else {
        menuBar_ = &host.menuBar();
        menuBar_->addMenu(menu_);
        Log::print(
            "📌 StatusItem: no system tray here; the menu is under \"Quillmarker\" in the host window's "
            "menu bar");
    }
    setToolTip(QString::fromUtf8(kToolTip));
    countdownSink_ = std::make_shared<CountdownTitle>(*this);
}

QtStatusItem::~QtStatusItem()
{
    delete tray_;
    if (menu_) {
        // Off the bar now; the widget itself goes once its own signals are done.
        if (menuBar_) {
            menuBar_->removeAction(menu_->menuAction());
        }
        menu_->deleteLater();
    }
}

StatusMenuWidget& QtStatusItem::menu()
{
    return *menu_;
}

void QtStatusItem::rebuildMenu()
{
    if (menu_) {
        menu_->rebuild();
    }
}

void QtStatusItem::showUpdateAvailable()
{
    updateAvailable_ = true;
    rebuildMenu();
    setToolTip(QString::fromUtf8(kUpdateToolTip));
}

void QtStatusItem::showCountdown(const std::string& title, const std::string& toolTip)
{
    if (menu_ && menuBar_) {
        // The tray has no text beside its icon; the menu bar does.
        menu_->setTitle(title.empty() ? QString::fromUtf8(kToolTip)
                                      : QString::fromUtf8(kToolTip) + "  " + QString::fromStdString(title));
    }
    if (title.empty()) {
        setToolTip(QString::fromUtf8(updateAvailable_ ? kUpdateToolTip : kToolTip));
    } else {
        setToolTip(QString::fromStdString(toolTip));
    }
}

void QtStatusItem::setToolTip(const QString& text)
{
    toolTip_ = text;
    if (tray_) {
        tray_->setToolTip(text);
    }
    if (menu_) {
        menu_->menuAction()->setToolTip(text);
    }
}

}  // namespace qm
