#include "targets/LocalNoteTarget.h"

#include <fmt/format.h>

#include "base/Calendar.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/PlatformError.h"
#include "base/Text.h"
#include "platform/runtime/Clock.h"
#include "records/CaptureAnnouncer.h"
#include "targets/NoteFile.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

constexpr const char* kErrorDomain = "LocalNoteTarget";
constexpr long kLeftUnchangedCode = 1;
constexpr const char* kLeftUnchangedDescription =
    "Quick Capture.md could not be opened for writing, and its content could not be read as UTF-8 text, "
    "so the file was left as it was.";

}  // namespace

LocalNoteTarget::LocalNoteTarget(const Clock& clock, CaptureAnnouncer& landing)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), clock_(clock), landing_(landing)
{
}

std::vector<PickerOption> LocalNoteTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void LocalNoteTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    if (line.empty()) {
        return;
    }
    const fs::path file = captureFileURL();
    appendCapture(line, file, clock_.now());
    landing_.announce(commandName(), line, kFileName, file.string(), std::nullopt, /*parksLoop=*/true);
    Log::log(fmt::format("📝 LocalNoteTarget: Captured line to Quick Capture at: {}", file.string()));
}

fs::path LocalNoteTarget::captureFileURL()
{
    const fs::path documents = paths::documents().value_or(paths::homeFolder() / "Documents");
    return documents / kFolderName / kFileName;
}

void LocalNoteTarget::appendCapture(std::string_view text, const fs::path& file, double now)
{
    const std::string path = file.string();
    notefile::createFolders(file.parent_path().string());
    if (!notefile::existsAsNote(path)) {
        notefile::writeAtomically(path, kHeader);
    }

    const std::string bullet =
        "- [" + Calendar::current().format(now, "HH:mm") + "] " + std::string(text) + "\n";
    // Content that is not UTF-8 text counts as empty: no line feed goes in first.
    if (!notefile::appendToNote(path, bullet, file::LineEndCheck::lastCharacter)) {
        throw PlatformError(kErrorDomain, kLeftUnchangedCode, kLeftUnchangedDescription);
    }
}

}  // namespace qm
