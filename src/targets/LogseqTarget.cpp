#include "targets/LogseqTarget.h"

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

namespace qm {

namespace {

constexpr const char* kGraphPathKey = "logseqGraphPath";

[[noreturn]] void failLeftUnchanged(const std::string& page)
{
    throw PlatformError(LogseqTarget::kErrorDomain, LogseqTarget::kPageLeftUnchangedCode,
                        "The journal page " + notefile::lastComponent(page) +
                            " could not be opened for writing, and its content could not be read as UTF-8 "
                            "text, so it was left as it was.");
}

}  // namespace

LogseqTarget::LogseqTarget(const UserDefaults& defaults, const Clock& clock, CaptureAnnouncer& landing)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), defaults_(defaults), clock_(clock),
      landing_(landing)
{
}

std::vector<PickerOption> LogseqTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

std::string LogseqTarget::bulletLine(std::string_view trimmedText)
{
    const std::string lowered = text::lowercased(trimmedText);
    if (lowered == "todo") {
        return "- TODO \n";
    }
    // Only ASCII lower-cases to "todo ", so the original's first five bytes are those letters.
    if (lowered.starts_with("todo ")) {
        return "- TODO " + text::trimmed(trimmedText.substr(5)) + "\n";
    }
    return "- " + std::string(trimmedText) + "\n";
}

void LogseqTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    if (line.empty()) {
        return;
    }
    const std::string graph = text::trimmed(defaults_.stringForKey(kGraphPathKey).value_or(""));
    if (graph.empty()) {
        throw PlatformError(kErrorDomain, kNotConfiguredCode, kNotConfiguredDescription);
    }
    const std::string journals = notefile::join(paths::expandTilde(graph), "journals");
    notefile::createFolders(journals);
    const std::string page =
        notefile::join(journals, Calendar::current().format(clock_.now(), "yyyy_MM_dd") + ".md");
    if (!notefile::existsAsNote(page)) {
        notefile::writeAtomically(page, "");
    }

    // Judged on the page's text, where a carriage return and line feed is one
    // character that is no line feed; bytes that are not UTF-8 by the last one,
    // so the bullet never runs on from the line before.
    if (!notefile::appendToNote(page, bulletLine(line), file::LineEndCheck::lastCharacterOrByte)) {
        failLeftUnchanged(page);
    }
    landing_.announce(commandName(), line, "Logseq · " + notefile::lastComponent(page), page, std::nullopt,
                      /*parksLoop=*/true);
    Log::log(fmt::format("📝 LogseqTarget: Successfully captured line to Journal at: {}", page));
}

}  // namespace qm
