#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/runtime/AliveToken.h"

namespace qm {

class KeychainHelper;
class NotificationCenter;
class UserDefaults;

// The Capture Targets page: the Obsidian vault and daily-notes folders and the
// Logseq graph folder (user defaults, stored as typed) and the Slack token
// (secret store, stored trimmed). Main thread only.
class CaptureTargetsModel {
public:
    // Card ids: the highlight, scroll and keyboard-focus values of the cards.
    static constexpr const char* obsidianVaultCard = "obsidianVault";
    static constexpr const char* logseqGraphCard = "logseqGraph";
    static constexpr const char* slackCard = "slack";

    static constexpr const char* slackService = "QuillmarkerAI";
    static constexpr const char* slackKey = "slackToken";
    static constexpr const char* dailyNotesFolderKey = "obsidianDailyNotesFolder";

    // A folder picker: it answers, later or never, with the chosen folder's
    // absolute path, or nothing when cancelled.
    struct FolderPanel {
        std::string title;
        std::string message;
        bool showsHiddenFiles = false;
    };
    using FolderAnswer = std::function<void(const std::optional<std::string>& chosen)>;
    using FolderPicker = std::function<void(const FolderPanel&, FolderAnswer answer)>;

    CaptureTargetsModel(UserDefaults& defaults, KeychainHelper& keychain,
                        NotificationCenter& notificationCenter);

    std::string obsidianVaultPath() const;
    std::string obsidianDailyNotesFolder() const;
    std::string logseqGraphPath() const;
    void setObsidianVaultPath(const std::string& path);
    void setObsidianDailyNotesFolder(const std::string& folder);
    void setLogseqGraphPath(const std::string& path);

    // What the Obsidian target will do with the vault path, and whether that is fine.
    std::string obsidianVaultStatusText() const;
    bool obsidianVaultStatusIsOK() const;

    // Runs the picker; a cancelled panel changes nothing. `chosen` runs after
    // a folder was stored.
    void chooseObsidianVaultPath(const FolderPicker& picker, std::function<void()> chosen = {});
    void chooseLogseqGraphPath(const FolderPicker& picker, std::function<void()> chosen = {});

    // The token field as typed. Loading fills it from the secret store (a missing
    // or non-UTF-8 secret leaves it as it was).
    const std::string& slackToken() const { return slackToken_; }
    void loadSlackToken();
    // Every change of the field saves, and so does Return (submitSlackToken).
    void setSlackToken(const std::string& token);
    void submitSlackToken() { saveSlackToken(); }
    // Stores the trimmed token, or removes it when blank. A failed save shows a
    // HUD message; the field keeps its text. False when the store refused it.
    bool saveSlackToken();

private:
    UserDefaults& defaults_;
    KeychainHelper& keychain_;
    NotificationCenter& notificationCenter_;
    std::string slackToken_;
    AliveToken alive_;
};

}  // namespace qm
