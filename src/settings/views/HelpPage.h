#pragma once

#include <QWidget>

namespace qm {

// The Help page: the fixed reference of the ten // commands.
class HelpPage : public QWidget {
public:
    explicit HelpPage(QWidget* parent = nullptr);
};

}  // namespace qm
