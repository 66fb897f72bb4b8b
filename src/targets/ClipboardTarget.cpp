#include "targets/ClipboardTarget.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "base/PlatformError.h"
#include "base/Text.h"
#include "platform/workspace/Pasteboard.h"
#include "records/CaptureAnnouncer.h"

namespace qm {

ClipboardTarget::ClipboardTarget(Pasteboard& pasteboard, CaptureAnnouncer& landing)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), pasteboard_(pasteboard), landing_(landing)
{
}

std::vector<PickerOption> ClipboardTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void ClipboardTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    if (line.empty()) {
        return;
    }
    pasteboard_.clearContents();
    pasteboard_.declareTypes({std::string(Pasteboard::typeString)});
    if (!pasteboard_.setString(line, Pasteboard::typeString)) {
        throw PlatformError(kErrorDomain, kWriteFailedCode, kWriteFailedDescription);
    }
    landing_.announce(commandName(), line, "Copied", std::nullopt, std::nullopt, /*parksLoop=*/false);
    Log::log(fmt::format("📝 ClipboardTarget: Successfully copied text to NSPasteboard: '{}'", line));
}

}  // namespace qm
