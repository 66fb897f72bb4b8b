#include "settings/views/LazyRowList.h"

#include <algorithm>

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>

namespace qm {
namespace {

// Rows kept built beyond the visible part, so that a short scroll finds them ready.
constexpr int kOverscan = 400;
// The part taken as visible while the list is in no scroll area or not on screen.
constexpr int kUnscrolledHeight = 1200;

}  // namespace

LazyRowList::LazyRowList(int spacing, QWidget* parent) : QWidget(parent), spacing_(spacing)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void LazyRowList::setRows(int count, Height height, Build build)
{
    for (auto& [index, row] : built_) {
        // A row's own button may be the one being clicked.
        row->hide();
        row->deleteLater();
    }
    built_.clear();
    count_ = count;
    height_ = std::move(height);
    build_ = std::move(build);
    measuredWidth_ = -1;
    updateGeometry();
    placeVisibleRows();
}

QWidget* LazyRowList::builtRow(int index) const
{
    const auto found = built_.find(index);
    return found == built_.end() ? nullptr : found->second;
}

void LazyRowList::measure(int width) const
{
    if (width == measuredWidth_) {
        return;
    }
    measuredWidth_ = width;
    heights_.resize(static_cast<std::size_t>(count_));
    tops_.resize(static_cast<std::size_t>(count_));
    int top = 0;
    for (int i = 0; i < count_; ++i) {
        const auto at = static_cast<std::size_t>(i);
        heights_[at] = height_(i, width);
        tops_[at] = top;
        top += heights_[at] + spacing_;
    }
    total_ = count_ > 0 ? top - spacing_ : 0;
}

int LazyRowList::heightForWidth(int width) const
{
    measure(width);
    return total_;
}

QSize LazyRowList::sizeHint() const
{
    const int width = std::max(this->width(), 200);
    return {width, heightForWidth(width)};
}

QSize LazyRowList::minimumSizeHint() const
{
    return {0, 0};
}

void LazyRowList::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeVisibleRows();
}

void LazyRowList::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    watchScrollArea();
    placeVisibleRows();
}

bool LazyRowList::eventFilter(QObject* watched, QEvent* event)
{
    if (area_ && watched == area_->viewport() && event->type() == QEvent::Resize) {
        placeVisibleRows();
    }
    return QWidget::eventFilter(watched, event);
}

void LazyRowList::watchScrollArea()
{
    if (area_) {
        return;
    }
    for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) {
            area_ = area;
            break;
        }
    }
    if (area_) {
        connect(area_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeVisibleRows(); });
        area_->viewport()->installEventFilter(this);
    }
}

void LazyRowList::placeVisibleRows()
{
    if (count_ == 0 || width() <= 0) {
        return;
    }
    measure(width());
    if (builtWidth_ != width()) {
        // Every row is as wide as the list: the built ones are built again.
        for (auto& [index, row] : built_) {
            row->hide();
            row->deleteLater();
        }
        built_.clear();
        builtWidth_ = width();
    }
    int from = 0;
    int to = kUnscrolledHeight;
    if (area_ && isVisible()) {
        const QPoint origin = mapFrom(area_->viewport(), QPoint(0, 0));
        from = origin.y();
        to = from + area_->viewport()->height();
    }
    from -= kOverscan;
    to += kOverscan;
    const auto first = std::upper_bound(tops_.begin(), tops_.end(), from) - tops_.begin() - 1;
    const int firstShown = static_cast<int>(std::max<std::ptrdiff_t>(first, 0));
    int lastShown = firstShown;
    while (lastShown + 1 < count_ && tops_[static_cast<std::size_t>(lastShown + 1)] < to) {
        ++lastShown;
    }
    for (auto it = built_.begin(); it != built_.end();) {
        if (it->first < firstShown || it->first > lastShown) {
            it->second->hide();
            it->second->deleteLater();
            it = built_.erase(it);
        } else {
            ++it;
        }
    }
    for (int i = firstShown; i <= lastShown; ++i) {
        if (built_.count(i)) {
            continue;
        }
        const auto at = static_cast<std::size_t>(i);
        QWidget* row = build_(i, width());
        row->setParent(this);
        row->setGeometry(0, tops_[at], width(), heights_[at]);
        row->show();
        built_[i] = row;
    }
}

}  // namespace qm
