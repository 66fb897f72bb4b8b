#include "targets/CalcTarget.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "base/PlatformError.h"
#include "base/Text.h"
#include "platform/workspace/Pasteboard.h"
#include "records/CaptureAnnouncer.h"
#include "targets/CalcExpressionEvaluator.h"

namespace qm {

CalcTarget::CalcTarget(Pasteboard& pasteboard, CaptureAnnouncer& landing)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), pasteboard_(pasteboard), landing_(landing)
{
}

std::vector<PickerOption> CalcTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void CalcTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    const std::string result = CalcExpressionEvaluator::formatResult(CalcExpressionEvaluator::evaluate(line));
    pasteboard_.clearContents();
    pasteboard_.declareTypes({std::string(Pasteboard::typeString)});
    if (!pasteboard_.setString(result, Pasteboard::typeString)) {
        throw PlatformError(kErrorDomain, kWriteFailedCode, kWriteFailedDescription);
    }
    landing_.announce(commandName(), line, "= " + result, std::nullopt, std::string("function"),
                      /*parksLoop=*/false);
    Log::log(fmt::format("🧮 CalcTarget: Evaluated '{}' -> {}", line, result));
}

}  // namespace qm
