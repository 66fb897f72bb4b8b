#pragma once

#include <functional>
#include <vector>

#include <QMenu>

#include "app/StatusMenu.h"

namespace qm {

// The status menu drawn by Qt: renders a StatusMenu (titles, looks, key
// equivalents, open-loop submenus) and hands the row the user chose back.
// It asks `source` for a fresh menu each time it is about to open, so what it
// shows is never stale. GUI thread.
class StatusMenuWidget final : public QMenu {
public:
    using Source = std::function<StatusMenu()>;
    using Choose = std::function<void(const StatusMenuItem&)>;

    StatusMenuWidget(Source source, Choose choose, QWidget* parent = nullptr);

    // Replaces every row with the source's menu as of now.
    void rebuild();
    // Replaces every row with `menu`'s. Safe from inside one of its own rows'
    // signals: the old rows go once control is back in the event loop.
    void render(const StatusMenu& menu);

protected:
    // Rows with a coloured look carry their colour into the style.
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    QAction* addRow(QMenu& menu, const StatusMenuItem& item);

    Source source_;
    Choose choose_;
    std::vector<QMenu*> submenus_;
};

}  // namespace qm
