#include "platform/runtime/ThreadName.h"

#include <pthread.h>

#include "base/Paths.h"

namespace qm {

std::string ThreadName::forLabel(std::string_view label)
{
    // "com.quillmarker.app." first, then the vendor's "com.quillmarker.".
    const std::string bundle = std::string(paths::kBundleIdentifier) + ".";
    const std::string vendor = bundle.substr(0, bundle.rfind('.', bundle.size() - 2) + 1);
    for (const std::string& prefix : {bundle, vendor}) {
        if (label.size() > prefix.size() && label.substr(0, prefix.size()) == prefix) {
            label.remove_prefix(prefix.size());
            break;
        }
    }
    if (label.size() <= kMaxBytes) {
        return std::string(label);
    }
    std::size_t cut = kMaxBytes;
    // Step back over UTF-8 continuation bytes so no character is split.
    while (cut > 0 && (static_cast<unsigned char>(label[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(label.substr(0, cut));
}

void ThreadName::setCurrent(std::string_view label)
{
    const std::string name = forLabel(label);
    pthread_setname_np(pthread_self(), name.c_str());
}

std::string ThreadName::current()
{
    char buffer[kMaxBytes + 1] = {};
    if (pthread_getname_np(pthread_self(), buffer, sizeof buffer) != 0) {
        return {};
    }
    return buffer;
}

}  // namespace qm
