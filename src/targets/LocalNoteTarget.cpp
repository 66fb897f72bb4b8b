#include "targets/LocalNoteTarget.h"

#include <system_error>

#include <fmt/format.h>

#include "base/AppendLine.h"
#include "base/Calendar.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "platform/runtime/PlatformError.h"
#include "records/CaptureLanding.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

constexpr const char* kErrorDomain = "LocalNoteTarget";
constexpr long kLeftUnchangedCode = 1;
constexpr const char* kLeftUnchangedDescription =
    "Quick Capture.md could not be opened for writing, and its content could not be read as UTF-8 text, "
    "so the file was left as it was.";

[[noreturn]] void fail(const char* what, const fs::path& file, std::error_code error)
{
    throw fs::filesystem_error(what, file, error);
}

}  // namespace

LocalNoteTarget::LocalNoteTarget(const Clock& clock, CaptureLanding* landing)
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
    // Taken first: without a landing nothing is written that could not be confirmed.
    CaptureLanding& landing = landing_ ? *landing_ : CaptureLanding::shared();
    const fs::path file = captureFileURL();
    appendCapture(line, file, clock_.now());
    landing.announce(commandName(), line, kFileName, file.string(), std::nullopt, /*parksLoop=*/true);
    Log::log(fmt::format("📝 LocalNoteTarget: Captured line to Quick Capture at: {}", file.string()));
}

fs::path LocalNoteTarget::captureFileURL()
{
    const fs::path documents = paths::documents().value_or(paths::homeFolder() / "Documents");
    return documents / kFolderName / kFileName;
}

void LocalNoteTarget::appendCapture(std::string_view text, const fs::path& file, double now)
{
    if (const std::error_code error = file::createDirectories(file.parent_path())) {
        fail("cannot create the folder of the quick-capture file", file.parent_path(), error);
    }
    std::error_code statusError;
    const fs::file_status status = fs::status(file, statusError);
    if (!fs::exists(status)) {
        if (const std::error_code error = file::writeAtomically(file, kHeader)) {
            fail("cannot create the quick-capture file", file, error);
        }
    } else if (!fs::is_regular_file(status)) {
        // Never read or write a folder, a pipe or a device in its place (a pipe would block).
        fail("the quick-capture file is not a regular file", file,
             std::make_error_code(std::errc::invalid_argument));
    }

    const std::string bullet =
        "- [" + Calendar::current().format(now, "HH:mm") + "] " + std::string(text) + "\n";
    // The user's own file: it keeps its mode, and content that is not UTF-8
    // text is never rewritten.
    const auto failure = file::appendLine(
        file, bullet, {.content = file::ExistingContent::utf8Text, .mode = 0644, .keepExistingMode = true});
    if (!failure) {
        return;
    }
    switch (failure->step) {
    case file::AppendStep::notRegularFile:
        fail("the quick-capture file is not a regular file", file, failure->error);
    case file::AppendStep::readForReplacement:
        throw PlatformError(kErrorDomain, kLeftUnchangedCode, kLeftUnchangedDescription);
    case file::AppendStep::replace:
        fail("cannot write the quick-capture file", file, failure->error);
    case file::AppendStep::examine:
    case file::AppendStep::write:
        break;
    }
    fail("cannot write to the quick-capture file", file, failure->error);
}

}  // namespace qm
