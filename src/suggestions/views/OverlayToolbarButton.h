#pragma once

#include <functional>
#include <string>

#include <QWidget>

namespace qm {

// One of the panel's two small toolbar buttons (layout orientation, reset
// position): a bold 11-point symbol on a faint rounded square that turns
// amber and grows a little while the pointer is over it. GUI thread.
class OverlayToolbarButton final : public QWidget {
public:
    OverlayToolbarButton(std::string iconName, const QString& toolTip, std::function<void()> action,
                         QWidget* parent = nullptr);

    const std::string& iconName() const { return iconName_; }
    bool isHovered() const { return hovered_; }
    QSize sizeHint() const override;

    // What a click runs.
    void trigger();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::string iconName_;
    std::function<void()> action_;
    bool hovered_ = false;
    bool pressed_ = false;
};

}  // namespace qm
