#include "app/views/StatusMenuWidget.h"

#include <QColor>
#include <QFont>
#include <QKeySequence>
#include <QStyleOptionMenuItem>

namespace qm {

namespace {

using Look = StatusMenuItem::Look;

constexpr const char* kTextColour = "statusMenuTextColour";

// The platform's system red and orange.
const QColor kSystemRed(255, 59, 48);
const QColor kSystemOrange(255, 149, 0);

void applyLook(QAction& action, Look look, const QFont& base)
{
    if (look == Look::plain) {
        return;
    }
    QFont font = base;
    font.setPixelSize(look == Look::statistic ? 12 : 13);
    font.setWeight(look == Look::header || look == Look::statistic ? QFont::DemiBold : QFont::Bold);
    action.setFont(font);
    if (look == Look::warning) {
        action.setProperty(kTextColour, kSystemRed);
    } else if (look == Look::update) {
        action.setProperty(kTextColour, kSystemOrange);
    }
}

}  // namespace

StatusMenuWidget::StatusMenuWidget(Source source, Choose choose, QWidget* parent)
    : QMenu(parent), source_(std::move(source)), choose_(std::move(choose))
{
    // Rebuilt as it opens, as the menu delegate of the status item would.
    connect(this, &QMenu::aboutToShow, this, [this] { rebuild(); });
}

void StatusMenuWidget::rebuild()
{
    if (source_) {
        render(source_());
    }
}

void StatusMenuWidget::render(const StatusMenu& menu)
{
    for (QAction* action : actions()) {
        removeAction(action);
        if (action->parent() == this) {
            action->deleteLater();
        }
    }
    for (QMenu* submenu : submenus_) {
        submenu->deleteLater();
    }
    submenus_.clear();
    for (const StatusMenuItem& item : menu.items) {
        addRow(*this, item);
    }
}

QAction* StatusMenuWidget::addRow(QMenu& menu, const StatusMenuItem& item)
{
    if (item.isSeparator) {
        return menu.addSeparator();
    }
    // A lone "&" would mark a mnemonic ("Timers & Alarms").
    const QString title = QString::fromStdString(item.title).replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* action = nullptr;
    if (!item.submenu.empty()) {
        auto* submenu = new QMenu(title, this);
        submenus_.push_back(submenu);
        for (const StatusMenuItem& inner : item.submenu) {
            addRow(*submenu, inner);
        }
        action = menu.addMenu(submenu);
    } else {
        action = new QAction(title, &menu);
        menu.addAction(action);
        connect(action, &QAction::triggered, this, [this, item] {
            if (choose_) {
                choose_(item);
            }
        });
    }
    action->setEnabled(item.isEnabled());
    applyLook(*action, item.look, font());
    if (!item.keyEquivalent.empty()) {
        action->setShortcut(
            QKeySequence(QStringLiteral("Ctrl+") + QString::fromStdString(item.keyEquivalent).toUpper()));
        // Shown beside the row; a window the menu happens to sit in keeps its keys.
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
    }
    return action;
}

void StatusMenuWidget::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    const QVariant colour = action ? action->property(kTextColour) : QVariant();
    if (colour.isValid()) {
        const QColor text = colour.value<QColor>();
        for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
            option->palette.setColor(role, text);
        }
    }
}

}  // namespace qm
