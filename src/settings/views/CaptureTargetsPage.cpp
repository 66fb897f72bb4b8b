#include "settings/views/CaptureTargetsPage.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/CaptureTargetsModel.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {
namespace {

// Window-modal, with no event loop of its own: a page change while the panel
// is up takes it away with the page, and the folder is never stored. A
// cancelled panel never answers.
void pickFolder(QWidget* parent, const CaptureTargetsModel::FolderPanel& panel,
                CaptureTargetsModel::FolderAnswer answer)
{
    auto* dialog = new QFileDialog(parent, QString::fromStdString(panel.title));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setLabelText(QFileDialog::LookIn, QString::fromStdString(panel.message));
    if (panel.showsHiddenFiles) {
        dialog->setFilter(dialog->filter() | QDir::Hidden);
    }
    QObject::connect(dialog, &QFileDialog::filesSelected, dialog,
                     [answer = std::move(answer)](const QStringList& files) {
                         if (!files.isEmpty()) {
                             answer(QDir(files.front()).absolutePath().toStdString());
                         }
                     });
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
}

QLineEdit* field(const std::string& text, const char* placeholder)
{
    auto* edit = new QLineEdit(QString::fromStdString(text));
    edit->setPlaceholderText(placeholder);
    edit->setFont(ViewFonts::mono(11));
    return edit;
}

QLabel* fieldLabel(const char* text)
{
    return SettingsStyle::plainLabel(text, ViewFonts::system(11, ViewFonts::Weight::bold));
}
QLabel* hint(const char* text)
{
    return SettingsStyle::plainLabel(text, ViewFonts::system(10), SettingsStyle::textMuted(), true);
}

QHBoxLayout* pathRow(QLineEdit* edit, QPushButton* browse)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return row;
}

}  // namespace

CaptureTargetsPage::CaptureTargetsPage(CaptureTargetsModel& model, QWidget* parent)
    : QWidget(parent), model_(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);

    obsidianCard_ = new SettingsSectionCard("Obsidian Target", "doc.text");
    vault_ = field(model_.obsidianVaultPath(), "Select your vault folder...");
    auto* browseVault = new QPushButton("Browse...");
    status_ = SettingsStyle::plainLabel("", ViewFonts::system(10), Qt::darkGreen, true);
    dailyNotes_ = field(model_.obsidianDailyNotesFolder(),
                        "e.g. daily, Journal/Daily (leave blank for root / auto-detect)");
    obsidianCard_->content()->addWidget(fieldLabel("Obsidian Vault Location"));
    obsidianCard_->content()->addLayout(pathRow(vault_, browseVault));
    obsidianCard_->content()->addWidget(status_);
    obsidianCard_->content()->addWidget(hint("Prefer the vault root (folder that contains a hidden .obsidian "
                                             "directory). If you pick a Daily Notes "
                                             "subfolder, Quillmarker walks up to the vault automatically."));
    obsidianCard_->content()->addWidget(fieldLabel("Daily Notes Subfolder (Optional)"));
    obsidianCard_->content()->addWidget(dailyNotes_);
    obsidianCard_->content()->addWidget(hint(
        "Leave blank to use Obsidian\u2019s daily-notes.json folder when present, otherwise the vault root. "
        "Quillmarker also reads date format and template from that config."));
    layout->addWidget(obsidianCard_);

    logseqCard_ = new SettingsSectionCard("Logseq Target", "magnifyingglass");
    logseq_ = field(model_.logseqGraphPath(), "Select your logseq graph folder...");
    auto* browseLogseq = new QPushButton("Browse...");
    logseqCard_->content()->addWidget(fieldLabel("Logseq Graph Location"));
    logseqCard_->content()->addLayout(pathRow(logseq_, browseLogseq));
    logseqCard_->content()->addWidget(
        hint("Captured lines format automatically as outliner bullets and append "
             "directly into today's journal note under the /journals folder."));
    layout->addWidget(logseqCard_);

    slackCard_ = new SettingsSectionCard("Slack Integration", "bubble.left.and.bubble.right");
    token_ = field(model_.slackToken(), "Enter xoxb-... or xoxp-... token");
    token_->setEchoMode(QLineEdit::Password);
    slackCard_->content()->addWidget(fieldLabel("Slack OAuth Token"));
    slackCard_->content()->addWidget(token_);
    slackCard_->content()->addWidget(
        hint("Requires a token authorized with channels:read and chat:write scopes to "
             "route your captured lines to Slack conversations."));
    layout->addWidget(slackCard_);

    connect(vault_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_.setObsidianVaultPath(text.toStdString());
        updateStatus();
    });
    connect(dailyNotes_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setObsidianDailyNotesFolder(text.toStdString()); });
    connect(logseq_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setLogseqGraphPath(text.toStdString()); });
    connect(token_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setSlackToken(text.toStdString()); });
    connect(token_, &QLineEdit::returnPressed, this, [this] { model_.submitSlackToken(); });
    // The panel belongs to this page, so the page is there when it answers.
    const auto picker = [this](const auto& panel, auto answer) {
        pickFolder(this, panel, std::move(answer));
    };
    connect(browseVault, &QPushButton::clicked, this, [this, picker] {
        model_.chooseObsidianVaultPath(picker, [this] {
            vault_->setText(QString::fromStdString(model_.obsidianVaultPath()));
            updateStatus();
        });
    });
    connect(browseLogseq, &QPushButton::clicked, this, [this, picker] {
        model_.chooseLogseqGraphPath(
            picker, [this] { logseq_->setText(QString::fromStdString(model_.logseqGraphPath())); });
    });
    updateStatus();
}

void CaptureTargetsPage::updateStatus()
{
    status_->setText(QString::fromStdString(model_.obsidianVaultStatusText()));
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText,
                     model_.obsidianVaultStatusIsOK() ? QColor(30, 140, 60) : QColor(220, 120, 0));
    status_->setPalette(palette);
}

SettingsSectionCard* CaptureTargetsPage::card(const std::string& cardId) const
{
    if (cardId == CaptureTargetsModel::obsidianVaultCard) {
        return obsidianCard_;
    }
    if (cardId == CaptureTargetsModel::logseqGraphCard) {
        return logseqCard_;
    }
    if (cardId == CaptureTargetsModel::slackCard) {
        return slackCard_;
    }
    return nullptr;
}

void CaptureTargetsPage::highlight(const std::string& cardId)
{
    for (auto* each : {obsidianCard_, logseqCard_, slackCard_}) {
        each->setHighlighted(each == card(cardId));
    }
}

void CaptureTargetsPage::focusField(const std::string& cardId)
{
    QLineEdit* target = cardId == CaptureTargetsModel::obsidianVaultCard ? vault_
                        : cardId == CaptureTargetsModel::logseqGraphCard ? logseq_
                        : cardId == CaptureTargetsModel::slackCard       ? token_
                                                                         : nullptr;
    if (target) {
        target->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace qm
