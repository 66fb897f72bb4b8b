#pragma once

namespace qm {

// The program's item in the status bar with its menu. It exists from its
// creation to its destruction (destroying it removes it from the bar), and
// builds its menu from the records each time it is asked to.
class StatusItem {
public:
    virtual ~StatusItem() = default;

    // Replaces the menu with one built from the records as they are now.
    virtual void rebuildMenu() = 0;
    // An update was announced: the menu is rebuilt (it now offers the update)
    // and the item's tool tip names it until the item is made again.
    virtual void showUpdateAvailable() = 0;
};

}  // namespace qm
