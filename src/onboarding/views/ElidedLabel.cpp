#include "onboarding/views/ElidedLabel.h"

namespace qm {

ElidedLabel::ElidedLabel(QString text, QWidget* parent) : QLabel(parent), fullText_(std::move(text))
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setText(fullText_);
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide()
{
    const QString shown = fontMetrics().elidedText(fullText_, Qt::ElideRight, width());
    if (shown != text()) {
        setText(shown);
    }
}

}  // namespace qm
