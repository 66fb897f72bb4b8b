#pragma once

#include <type_traits>

#include <curl/curl.h>

namespace qm {

// libcurl, opened on first use instead of by the loader at start. The library
// brings a dozen others with it (TLS, Kerberos, LDAP, SSH, IDN …) that hold
// about 4 MB of resident memory merely by being mapped, and most runs of the
// program never make a transfer. Opened once and never closed; safe from any
// thread.
class CurlLibrary {
public:
    // The library, opened on the first call. Null when it cannot be opened
    // (the reason is logged once); every later call answers the same.
    static const CurlLibrary* open();

    // As open(), with libcurl's process-wide set-up (and with it OpenSSL's)
    // done once before the first transfer.
    static const CurlLibrary* openForTransfers();

    // libcurl reads the option's value as a long, a curl_off_t or a pointer;
    // anything else (an int, a double) would be read wrong.
    template <class T> CURLcode easySetopt(CURL* handle, CURLoption option, T value) const
    {
        static_assert(std::is_same_v<T, long> || std::is_same_v<T, curl_off_t> || std::is_pointer_v<T>,
                      "libcurl reads a long, a curl_off_t or a pointer");
        return easySetoptV(handle, option, value);
    }
    template <class T> CURLSHcode shareSetopt(CURLSH* share, CURLSHoption option, T value) const
    {
        static_assert(std::is_same_v<T, long> || std::is_pointer_v<T> || std::is_enum_v<T>,
                      "libcurl reads a long, an enumeration or a pointer");
        return shareSetoptV(share, option, value);
    }
    // `out` points to where the information goes (a long, a char*, …).
    template <class T> CURLcode easyGetinfo(CURL* handle, CURLINFO info, T* out) const
    {
        return easyGetinfoV(handle, info, out);
    }

    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&::curl_slist_append) slistAppend = nullptr;
    decltype(&::curl_slist_free_all) slistFreeAll = nullptr;
    decltype(&::curl_multi_init) multiInit = nullptr;
    decltype(&::curl_multi_add_handle) multiAddHandle = nullptr;
    decltype(&::curl_multi_remove_handle) multiRemoveHandle = nullptr;
    decltype(&::curl_multi_perform) multiPerform = nullptr;
    decltype(&::curl_multi_poll) multiPoll = nullptr;
    decltype(&::curl_multi_info_read) multiInfoRead = nullptr;
    decltype(&::curl_multi_cleanup) multiCleanup = nullptr;
    decltype(&::curl_share_init) shareInit = nullptr;
    decltype(&::curl_share_cleanup) shareCleanup = nullptr;
    decltype(&::curl_url) url = nullptr;
    decltype(&::curl_url_set) urlSet = nullptr;
    decltype(&::curl_url_get) urlGet = nullptr;
    decltype(&::curl_url_cleanup) urlCleanup = nullptr;
    decltype(&::curl_free) freeText = nullptr;

private:
    decltype(&::curl_easy_setopt) easySetoptV = nullptr;
    decltype(&::curl_share_setopt) shareSetoptV = nullptr;
    decltype(&::curl_easy_getinfo) easyGetinfoV = nullptr;

    static const CurlLibrary* load();
};

}  // namespace qm
