#include "settings/views/ScheduledPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/ScheduledCapturesModel.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {

ScheduledPage::ScheduledPage(ScheduledCapturesModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    using namespace SettingsStyle;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* card = new SettingsSectionCard("Scheduled Timers & Alarms", "timer");
    card->content()->addWidget(
        plainLabel("Quillmarker timers and alarms are macOS notifications \u2014 they do not appear in the "
                   "Clock app. While "
                   "one is active, the remaining time shows next to the Quillmarker menu bar icon.",
                   ViewFonts::system(11), textMuted(), true));
    card->content()->addWidget(
        plainLabel("Use this list to see what's still pending and cancel anything you no longer need.",
                   ViewFonts::system(11), textMuted(), true));
    rows_ = new QVBoxLayout;
    rows_->setSpacing(8);
    card->content()->addLayout(rows_);
    auto* footer = new QHBoxLayout;
    auto* refresh = new QPushButton("Refresh");
    count_ = plainLabel("", ViewFonts::mono(10), textMuted());
    footer->addWidget(refresh);
    footer->addStretch();
    footer->addWidget(count_);
    card->content()->addLayout(footer);
    layout->addWidget(card);
    connect(refresh, &QPushButton::clicked, this, [this] { model_.refreshPendingCaptures(); });
    model_.onChange = [this] { render(); };
    render();
}

ScheduledPage::~ScheduledPage()
{
    model_.onChange = nullptr;
}

void ScheduledPage::render()
{
    count_->setText(QString::fromStdString(model_.pendingCountText()));
    if (model_.pendingCaptures() != shown_ || rows_->count() == 0) {
        rebuildRows();
    }
    for (std::size_t i = 0; i < countdowns_.size(); ++i) {
        const std::string countdown = model_.countdownText(shown_[i]);
        countdowns_[i]->setText(QString::fromStdString(countdown));
        countdowns_[i]->setVisible(!countdown.empty());
    }
}

void ScheduledPage::rebuildRows()
{
    using namespace SettingsStyle;
    clear(rows_);
    shown_ = model_.pendingCaptures();
    countdowns_.clear();
    if (shown_.empty()) {
        auto* empty = new QHBoxLayout;
        empty->setSpacing(8);
        empty->addWidget(symbol("moon.zzz", textMuted(), 12));
        empty->addWidget(plainLabel("Nothing scheduled. Try //timer 2m focus or //alarm 7:30am take meds.",
                                    ViewFonts::mono(11), textMuted(), true),
                         1);
        rows_->addLayout(empty);
        return;
    }
    for (const auto& capture : shown_) {
        auto* row = new SettingsSectionCard("", "");
        auto* line = new QHBoxLayout;
        line->setSpacing(10);
        const bool timer = capture.kind == PendingScheduledCapture::Kind::timer;
        line->addWidget(symbol(timer ? "timer" : "alarm", brandGold(), 14), 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(3);
        auto* head = new QHBoxLayout;
        head->setSpacing(6);
        head->addWidget(
            plainLabel(capture.kindLabel(), ViewFonts::mono(10, ViewFonts::Weight::bold), brandGold()));
        if (capture.fireDate) {
            head->addWidget(plainLabel(ScheduledCapturesModel::fireTimeText(*capture.fireDate),
                                       ViewFonts::mono(10), textMuted()));
        }
        head->addStretch();
        texts->addLayout(head);
        texts->addWidget(plainLabel(capture.subtitle, ViewFonts::system(12, ViewFonts::Weight::medium)));
        countdowns_.push_back(plainLabel("", ViewFonts::mono(10), textMuted()));
        texts->addWidget(countdowns_.back());
        line->addLayout(texts, 1);
        auto* cancel = new QPushButton("Cancel");
        cancel->setFlat(true);
        cancel->setFont(ViewFonts::system(10, ViewFonts::Weight::bold));
        QPalette palette = cancel->palette();
        palette.setColor(QPalette::ButtonText, QColor::fromRgbF(1.0f, 0.23f, 0.19f, 0.85f));
        cancel->setPalette(palette);
        connect(cancel, &QPushButton::clicked, this,
                [this, id = capture.id] { model_.cancelPendingCapture(id); });
        line->addWidget(cancel, 0, Qt::AlignTop);
        row->content()->addLayout(line);
        rows_->addWidget(row);
    }
}

}  // namespace qm
