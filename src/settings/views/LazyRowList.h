#pragma once

#include <functional>
#include <map>
#include <vector>

#include <QWidget>

class QAbstractScrollArea;

namespace qm {

// A column of rows of known heights, of which only those in or near the
// visible part of the enclosing scroll area are built: a page of thousands of
// captures or log lines costs the rows a person can see. Rows are built by the
// caller, given their height, and laid out here one under another; a row that
// scrolls far out of view is dropped and built again when it comes back.
class LazyRowList : public QWidget {
public:
    // The height of row `index` at `width`, and the row itself (any widget,
    // sized here to the list's width and that height).
    using Height = std::function<int(int index, int width)>;
    using Build = std::function<QWidget*(int index, int width)>;

    explicit LazyRowList(int spacing, QWidget* parent = nullptr);

    // Replaces every row; rows already built are dropped.
    void setRows(int count, Height height, Build build);
    int rowCount() const { return count_; }
    // The row at `index` if it is built now, otherwise nothing.
    QWidget* builtRow(int index) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void measure(int width) const;
    void placeVisibleRows();
    void watchScrollArea();

    int spacing_;
    int count_ = 0;
    Height height_;
    Build build_;
    // Heights and tops at `measuredWidth_`, worked out on demand.
    mutable int measuredWidth_ = -1;
    mutable std::vector<int> heights_;
    mutable std::vector<int> tops_;
    mutable int total_ = 0;
    std::map<int, QWidget*> built_;
    int builtWidth_ = -1;
    QAbstractScrollArea* area_ = nullptr;
};

}  // namespace qm
