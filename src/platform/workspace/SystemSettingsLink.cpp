#include "platform/workspace/SystemSettingsLink.h"

namespace qm {

std::string SystemSettingsLink::url() const
{
    std::string result = std::string(scheme) + ":" + paneIdentifier;
    if (anchor) {
        result += "?" + *anchor;
    }
    return result;
}

std::optional<SystemSettingsLink> SystemSettingsLink::parse(std::string_view url)
{
    const std::string prefix = std::string(scheme) + ":";
    if (!url.starts_with(prefix)) {
        return std::nullopt;
    }
    url.remove_prefix(prefix.size());
    SystemSettingsLink link;
    if (const auto question = url.find('?'); question != std::string_view::npos) {
        link.anchor = std::string(url.substr(question + 1));
        url = url.substr(0, question);
    }
    if (url.empty()) {
        return std::nullopt;
    }
    link.paneIdentifier = std::string(url);
    return link;
}

}  // namespace qm
