#include "platform/linux/network/CurlGlobalInit.h"

#include <mutex>

#include <curl/curl.h>

namespace qm {

void ensureCurlGlobalInit()
{
    // One flag for every client: curl_global_init must not run on two threads at once.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace qm
