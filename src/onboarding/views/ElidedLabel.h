#pragma once

#include <QLabel>

namespace qm {

// A one-line plain-text label that ends in an ellipsis when its text is wider
// than the room it gets.
class ElidedLabel final : public QLabel {
public:
    explicit ElidedLabel(QString text, QWidget* parent = nullptr);

    const QString& fullText() const { return fullText_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString fullText_;
};

}  // namespace qm
