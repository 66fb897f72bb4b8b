#pragma once

#include <QWidget>

namespace qm {

// A one-point line that fades in from transparent to white at 15% in its
// middle and out again: vertical between the toolbar and the chips of the
// row, horizontal under the toolbar of the column.
class GradientDivider final : public QWidget {
public:
    explicit GradientDivider(Qt::Orientation orientation, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation orientation_;
};

}  // namespace qm
