#pragma once

#include <string>

#include <QWidget>

class QLabel;
class QLineEdit;

namespace qm {

class CaptureTargetsModel;
class SettingsSectionCard;

// The Capture Targets page: the Obsidian, Logseq and Slack cards.
class CaptureTargetsPage : public QWidget {
public:
    explicit CaptureTargetsPage(CaptureTargetsModel& model, QWidget* parent = nullptr);

    // Highlights the card with this id (none: no card).
    void highlight(const std::string& cardId);
    // Gives the card's field the keyboard focus; cards without one are left alone.
    void focusField(const std::string& cardId);
    // The card with this id, or nothing.
    SettingsSectionCard* card(const std::string& cardId) const;

    QLineEdit* vaultField() const { return vault_; }
    QLineEdit* tokenField() const { return token_; }
    QLabel* vaultStatus() const { return status_; }

private:
    void updateStatus();

    CaptureTargetsModel& model_;
    SettingsSectionCard* obsidianCard_;
    SettingsSectionCard* logseqCard_;
    SettingsSectionCard* slackCard_;
    QLineEdit* vault_;
    QLineEdit* dailyNotes_;
    QLineEdit* logseq_;
    QLineEdit* token_;
    QLabel* status_;
};

}  // namespace qm
