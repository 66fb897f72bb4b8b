#pragma once

#include <vector>

#include <QWidget>

#include "settings/StatCard.h"

class QHBoxLayout;

namespace qm {

// A row of statistic cards that share the row's width.
class StatCardsRow : public QWidget {
public:
    explicit StatCardsRow(QWidget* parent = nullptr);
    void setCards(const std::vector<StatCard>& cards);

private:
    QHBoxLayout* layout_;
    std::vector<StatCard> shown_;
};

}  // namespace qm
