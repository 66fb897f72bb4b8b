#include "platform/network/CurlLibrary.h"

#include <mutex>
#include <string>

#include <dlfcn.h>

#include "base/Log.h"

namespace qm {

namespace {

// The name the run-time package installs, whatever the development files link.
constexpr const char* kSoname = "libcurl.so.4";

template <class F> bool bind(void* library, F& slot, const char* name)
{
    slot = reinterpret_cast<F>(::dlsym(library, name));
    if (slot == nullptr) {
        Log::log(std::string("❌ libcurl: ") + kSoname + " has no " + name + "; no transfers can be made");
    }
    return slot != nullptr;
}

}  // namespace

const CurlLibrary* CurlLibrary::load()
{
    void* library = ::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = ::dlerror();
        Log::log(std::string("❌ libcurl: ") + kSoname + " could not be loaded (" +
                 (reason ? reason : "unknown reason") + "); no transfers can be made");
        return nullptr;
    }
    static CurlLibrary curl;
    bool bound = true;
    bound &= bind(library, curl.globalInit, "curl_global_init");
    bound &= bind(library, curl.easyInit, "curl_easy_init");
    bound &= bind(library, curl.easyCleanup, "curl_easy_cleanup");
    bound &= bind(library, curl.easySetoptV, "curl_easy_setopt");
    bound &= bind(library, curl.easyGetinfoV, "curl_easy_getinfo");
    bound &= bind(library, curl.slistAppend, "curl_slist_append");
    bound &= bind(library, curl.slistFreeAll, "curl_slist_free_all");
    bound &= bind(library, curl.multiInit, "curl_multi_init");
    bound &= bind(library, curl.multiAddHandle, "curl_multi_add_handle");
    bound &= bind(library, curl.multiRemoveHandle, "curl_multi_remove_handle");
    bound &= bind(library, curl.multiPerform, "curl_multi_perform");
    bound &= bind(library, curl.multiPoll, "curl_multi_poll");
    bound &= bind(library, curl.multiInfoRead, "curl_multi_info_read");
    bound &= bind(library, curl.multiCleanup, "curl_multi_cleanup");
    bound &= bind(library, curl.shareInit, "curl_share_init");
    bound &= bind(library, curl.shareSetoptV, "curl_share_setopt");
    bound &= bind(library, curl.shareCleanup, "curl_share_cleanup");
    bound &= bind(library, curl.url, "curl_url");
    bound &= bind(library, curl.urlSet, "curl_url_set");
    bound &= bind(library, curl.urlGet, "curl_url_get");
    bound &= bind(library, curl.urlCleanup, "curl_url_cleanup");
    bound &= bind(library, curl.freeText, "curl_free");
    // A library without one of them stays mapped: its handles may be half made.
    return bound ? &curl : nullptr;
}

const CurlLibrary* CurlLibrary::open()
{
    static const CurlLibrary* const curl = load();
    return curl;
}

const CurlLibrary* CurlLibrary::openForTransfers()
{
    const CurlLibrary* curl = open();
    // curl_global_init must not run on two threads at once.
    static std::once_flag once;
    if (curl != nullptr) {
        std::call_once(once, [curl] { curl->globalInit(CURL_GLOBAL_DEFAULT); });
    }
    return curl;
}

}  // namespace qm
