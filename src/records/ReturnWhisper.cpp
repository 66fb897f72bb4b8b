#include "records/ReturnWhisper.h"

#include <algorithm>

#include "base/Text.h"
#include "records/CaptureQuietWindow.h"
#include "records/HostFocus.h"
#include "records/IfThenLine.h"

namespace qm {

ReturnWhisper::ReturnWhisper(const HostFocus& hostFocus, const CaptureQuietWindow& quietWindow,
                             CaptureModeProbe isCaptureModeActive, ShowHUD showHUD)
    : hostFocus_(hostFocus), quietWindow_(quietWindow), isCaptureModeActive_(std::move(isCaptureModeActive)),
      showHUD_(std::move(showHUD))
{
}

std::string ReturnWhisper::windowTitle(const RunningApplication& application) const
{
    return hostFocus_.windowTitle(application);
}

bool ReturnWhisper::isSilenced() const
{
    if (quietWindow_.isActive()) {
        return true;
    }
    return isCaptureModeActive_ && isCaptureModeActive_();
}

void ReturnWhisper::show(const OpenLoop& loop) const
{
    if (showHUD_) {
        showHUD_(message(loop), std::string(systemImage));
    }
}

bool ReturnWhisper::matches(const OpenLoop& loop, const std::optional<std::string>& bundleId,
                            std::string_view appName, std::string_view windowTitle)
{
    if (!loop.cueTokens.empty()) {
        std::string place(appName);
        place += ' ';
        place += windowTitle;
        const std::string haystack = text::lowercased(place);
        return std::any_of(loop.cueTokens.begin(), loop.cueTokens.end(), [&](const std::string& token) {
            // An empty word (only a hand-edited file has one) is found nowhere.
            return !token.empty() && haystack.find(token) != std::string::npos;
        });
    }
    if (loop.bundleId != bundleId) {
        return false;
    }
    const auto stored = IfThenLine::significantTokens(loop.windowTitle);
    if (stored.empty()) {
        return false;
    }
    const auto current = IfThenLine::significantTokens(windowTitle);
    return std::any_of(stored.begin(), stored.end(), [&](const std::string& word) {
        return std::find(current.begin(), current.end(), word) != current.end();
    });
}

std::optional<std::size_t> ReturnWhisper::pick(const std::vector<OpenLoop>& loops,
                                               const std::optional<std::string>& bundleId,
                                               std::string_view appName, std::string_view windowTitle)
{
    for (std::size_t index = 0; index < loops.size(); ++index) {
        const OpenLoop& loop = loops[index];
        if (!loop.closed && loop.departed && matches(loop, bundleId, appName, windowTitle)) {
            return index;
        }
    }
    return std::nullopt;
}

std::string ReturnWhisper::message(const OpenLoop& loop)
{
    std::string body = loop.action.empty() ? loop.text : loop.action;
    if (text::graphemeCount(body) >= kCutCharacters) {
        body = text::truncateGraphemes(body, kKeptCharacters) + "\u2026";
    }
    return std::string(messagePrefix) + body;
}

}  // namespace qm
