#include "platform/network/Url.h"

#include <cstdlib>
#include <memory>

#include <curl/curl.h>

#include "platform/network/CurlLibrary.h"

namespace qm {

namespace {

// Reached only once the library was opened.
const CurlLibrary& curl()
{
    return *CurlLibrary::open();
}

struct UrlHandleDeleter {
    void operator()(CURLU* handle) const { curl().urlCleanup(handle); }
};

struct CurlTextDeleter {
    void operator()(char* text) const { curl().freeText(text); }
};

std::optional<std::string> part(CURLU* handle, CURLUPart which, unsigned flags = 0)
{
    char* raw = nullptr;
    if (curl().urlGet(handle, which, &raw, flags) != CURLUE_OK || raw == nullptr) {
        return std::nullopt;
    }
    const std::unique_ptr<char, CurlTextDeleter> owned(raw);
    return std::string(raw);
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text)
{
    // curl reads C strings: an embedded NUL would cut the address short.
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    if (CurlLibrary::open() == nullptr) {
        return std::nullopt;
    }
    const std::unique_ptr<CURLU, UrlHandleDeleter> handle(curl().url());
    if (!handle) {
        return std::nullopt;
    }
    const std::string owned(text);
    // Without CURLU_DEFAULT_SCHEME a missing scheme is refused: only absolute addresses parse.
    if (curl().urlSet(handle.get(), CURLUPART_URL, owned.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return std::nullopt;
    }
    Url url;
    url.text = owned;
    // curl lower-cases the scheme; the one written is the text before the first colon.
    url.scheme = owned.substr(0, owned.find(':'));
    if (auto host = part(handle.get(), CURLUPART_HOST)) {
        url.host = std::move(*host);
    }
    if (auto port = part(handle.get(), CURLUPART_PORT)) {
        url.port = std::atoi(port->c_str());
    }
    url.path = part(handle.get(), CURLUPART_PATH, CURLU_URLDECODE).value_or("/");
    return url;
}

std::string Url::pathExtension() const
{
    std::string_view component = path;
    while (!component.empty() && component.back() == '/') {
        component.remove_suffix(1);
    }
    if (const auto slash = component.rfind('/'); slash != std::string_view::npos) {
        component.remove_prefix(slash + 1);
    }
    const auto dot = component.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return {};
    }
    return std::string(component.substr(dot + 1));
}

}  // namespace qm
