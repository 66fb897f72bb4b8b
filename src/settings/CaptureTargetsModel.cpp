#include "settings/CaptureTargetsModel.h"

#include <exception>

#include "base/Text.h"
#include "platform/storage/UserDefaults.h"
#include "settings/HUDMessage.h"
#include "store/KeychainHelper.h"
#include "targets/ObsidianVaultPath.h"
#include "targets/TargetsDefaultsKeys.h"

namespace qm {

CaptureTargetsModel::CaptureTargetsModel(UserDefaults& defaults, KeychainHelper& keychain,
                                         NotificationCenter& notificationCenter)
    : defaults_(defaults), keychain_(keychain), notificationCenter_(notificationCenter)
{
}

std::string CaptureTargetsModel::obsidianVaultPath() const
{
    return defaults_.stringForKey(TargetsDefaultsKeys::obsidianVaultPath).value_or("");
}

std::string CaptureTargetsModel::obsidianDailyNotesFolder() const
{
    return defaults_.stringForKey(dailyNotesFolderKey).value_or("");
}

std::string CaptureTargetsModel::logseqGraphPath() const
{
    return defaults_.stringForKey(TargetsDefaultsKeys::logseqGraphPath).value_or("");
}

void CaptureTargetsModel::setObsidianVaultPath(const std::string& path)
{
    defaults_.set(TargetsDefaultsKeys::obsidianVaultPath, path);
}

void CaptureTargetsModel::setObsidianDailyNotesFolder(const std::string& folder)
{
    defaults_.set(dailyNotesFolderKey, folder);
}

void CaptureTargetsModel::setLogseqGraphPath(const std::string& path)
{
    defaults_.set(TargetsDefaultsKeys::logseqGraphPath, path);
}

std::string CaptureTargetsModel::obsidianVaultStatusText() const
{
    const std::string path = text::trimmed(obsidianVaultPath());
    if (path.empty()) {
        return "No vault selected yet.";
    }
    ObsidianVaultPath::Resolution resolution;
    try {
        resolution = ObsidianVaultPath::resolve(path);
    } catch (const std::exception& error) {
        return error.what();
    }
    if (!resolution.hasObsidianMarker) {
        return "Path exists, but no .obsidian folder was found above it. Captures will still write here; "
               "prefer "
               "selecting the vault root.";
    }
    if (resolution.walkedUpFromSubfolder) {
        return "OK \u2014 found vault root at " + resolution.rootPath +
               " (walked up from the selected subfolder).";
    }
    return "OK \u2014 vault root detected (contains .obsidian).";
}

bool CaptureTargetsModel::obsidianVaultStatusIsOK() const
{
    const std::string path = text::trimmed(obsidianVaultPath());
    if (path.empty()) {
        return false;
    }
    try {
        ObsidianVaultPath::resolve(path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void CaptureTargetsModel::chooseObsidianVaultPath(const FolderPicker& picker, std::function<void()> chosen)
{
    const FolderPanel panel{
        "Select Obsidian Vault Folder",
        "Choose the vault root (folder containing .obsidian). A Daily Notes subfolder also works "
        "\u2014 Quillmarker will walk up.",
        true};
    picker(panel, alive_.guard([this, chosen = std::move(chosen)](const std::optional<std::string>& path) {
        if (path) {
            setObsidianVaultPath(*path);
            if (chosen) {
                chosen();
            }
        }
    }));
}

void CaptureTargetsModel::chooseLogseqGraphPath(const FolderPicker& picker, std::function<void()> chosen)
{
    picker(FolderPanel{"Select Logseq Graph Folder", "", false},
           alive_.guard([this, chosen = std::move(chosen)](const std::optional<std::string>& path) {
               if (path) {
                   setLogseqGraphPath(*path);
                   if (chosen) {
                       chosen();
                   }
               }
           }));
}

void CaptureTargetsModel::loadSlackToken()
{
    auto stored = keychain_.load(slackService, slackKey, true);
    if (stored && text::isValidUtf8(*stored)) {
        slackToken_ = *stored;
    }
}

void CaptureTargetsModel::setSlackToken(const std::string& token)
{
    if (token == slackToken_) {
        return;
    }
    slackToken_ = token;
    saveSlackToken();
}

bool CaptureTargetsModel::saveSlackToken()
{
    const std::string token = text::trimmed(slackToken_);
    if (token.empty()) {
        keychain_.remove(slackService, slackKey);
        return true;
    }
    if (!text::isValidUtf8(token)) {
        return false;
    }
    if (keychain_.save(slackService, slackKey, token) != errSecSuccess) {
        postHUDMessage(notificationCenter_, "Could not save the Slack token. Try again.",
                       "exclamationmark.triangle");
        return false;
    }
    return true;
}

}  // namespace qm
