#pragma once

#include <QColor>
#include <QWidget>

namespace qm {

// A plain container that paints a rounded rectangle behind its content.
class RoundedBox final : public QWidget {
public:
    RoundedBox(QColor fill, qreal radius, QWidget* parent = nullptr);

    void setFill(QColor fill);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    qreal radius_;
};

}  // namespace qm
