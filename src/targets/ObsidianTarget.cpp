#include "targets/ObsidianTarget.h"

#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "base/Calendar.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/PlatformError.h"
#include "base/Text.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/UserDefaults.h"
#include "records/CaptureAnnouncer.h"
#include "targets/NoteFile.h"
#include "targets/ObsidianDailyNotes.h"
#include "targets/ObsidianVaultPath.h"

namespace qm {

namespace {

constexpr const char* kVaultPathKey = "obsidianVaultPath";
constexpr const char* kKnowledgeFoldersKey = "knowledgeFolders";
constexpr const char* kDailyNotesFolderKey = "obsidianDailyNotesFolder";

[[noreturn]] void failLeftUnchanged(const std::string& note)
{
    throw PlatformError(ObsidianVaultPath::kErrorDomain, ObsidianTarget::kNoteLeftUnchangedCode,
                        "The daily note " + notefile::lastComponent(note) +
                            " could not be opened for writing, and its content could not be read as "
                            "UTF-8 text, so it was left as it was.");
}

// Creates today's note when there is none: the template's text, or a heading.
void createNoteIfMissing(const std::string& note, const std::string& root,
                         const ObsidianDailyNotes& dailyNotes, const std::string& dateText)
{
    if (notefile::existsAsNote(note)) {
        return;
    }
    std::string content = "# " + dateText + "\n\n";
    if (const auto templateFile = dailyNotes.templateFile(root)) {
        std::error_code error;
        if (std::filesystem::is_regular_file(*templateFile, error)) {
            if (auto templateText = notefile::readUtf8(*templateFile)) {
                content = std::move(*templateText);
                Log::log(
                    fmt::format("📝 ObsidianTarget: Successfully initialized daily note using template '{}'",
                                *dailyNotes.templateSetting));
            }
        }
    }
    notefile::writeAtomically(note, content);
}

// The line starts a line of its own when the note's last byte is not a line feed.
void appendLine(const std::string& note, const std::string& line)
{
    if (!notefile::appendToNote(note, line, file::LineEndCheck::lastByte)) {
        failLeftUnchanged(note);
    }
}

}  // namespace

ObsidianTarget::ObsidianTarget(const UserDefaults& defaults, const Clock& clock, CaptureAnnouncer& landing)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), defaults_(defaults), clock_(clock),
      landing_(landing)
{
}

std::vector<PickerOption> ObsidianTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

std::string ObsidianTarget::vaultSetting() const
{
    const std::string configured = text::trimmed(defaults_.stringForKey(kVaultPathKey).value_or(""));
    if (!configured.empty()) {
        return configured;
    }
    // Used as stored: resolve() expands and trims it.
    for (const auto& folder :
         defaults_.stringArrayForKey(kKnowledgeFoldersKey).value_or(std::vector<std::string>{})) {
        std::error_code error;
        if (std::filesystem::exists(notefile::join(paths::expandTilde(folder), ".obsidian"), error)) {
            return folder;
        }
    }
    throw PlatformError(ObsidianVaultPath::kErrorDomain, ObsidianVaultPath::kNotConfiguredCode,
                        ObsidianVaultPath::kNotConfiguredDescription);
}

void ObsidianTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const ObsidianVaultPath::Resolution vault = ObsidianVaultPath::resolve(vaultSetting());
    const std::string& root = vault.rootPath;
    const ObsidianDailyNotes dailyNotes =
        ObsidianDailyNotes::load(root, defaults_.stringForKey(kDailyNotesFolderKey).value_or(""));
    if (vault.walkedUpFromSubfolder) {
        Log::log(fmt::format("📝 ObsidianTarget: Configured path was inside the vault; using vault root '{}'",
                             root));
    }

    const std::string folder = dailyNotes.folder.empty() ? root : notefile::join(root, dailyNotes.folder);
    notefile::createFolders(folder);
    const double now = clock_.now();
    const Calendar calendar = Calendar::current();
    const std::string dateText = calendar.format(now, dailyNotes.format);
    const std::string note = notefile::join(folder, dateText + ".md");
    // A format with "/" puts the note into sub-folders.
    notefile::createFolders(notefile::parent(note));
    createNoteIfMissing(note, root, dailyNotes, dateText);

    const std::string line = text::trimmed(text);
    if (line.empty()) {
        return;
    }
    appendLine(note, "- [" + calendar.format(now, "HH:mm") + "] " + line + "\n");
    landing_.announce(commandName(), line, "Obsidian · " + notefile::lastComponent(note), note, std::nullopt,
                      /*parksLoop=*/true);
    Log::log(fmt::format("📝 ObsidianTarget: Successfully captured line to Daily Note at: {}", note));
}

}  // namespace qm
