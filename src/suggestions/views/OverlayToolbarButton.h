#pragma once

#include <functional>
#include <string>

#include <QAbstractButton>

namespace qm {

// One of the panel's two small toolbar buttons (layout orientation, reset
// position): a bold 11-point symbol on a faint rounded square that turns
// amber and grows a little while the pointer is over it. A click runs its
// action; it never takes the keyboard from the field being typed in. GUI
// thread.
class OverlayToolbarButton final : public QAbstractButton {
public:
    OverlayToolbarButton(std::string iconName, const QString& toolTip, std::function<void()> action,
                         QWidget* parent = nullptr);

    const std::string& iconName() const { return iconName_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string iconName_;
};

}  // namespace qm
