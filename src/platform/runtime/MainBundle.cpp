#include "platform/runtime/MainBundle.h"

// The build passes both values; a build that does not still has a bundle.
#ifndef QM_BUNDLE_SHORT_VERSION
#define QM_BUNDLE_SHORT_VERSION "0.0.0"
#endif
#ifndef QM_BUNDLE_VERSION
#define QM_BUNDLE_VERSION "1"
#endif

namespace qm {

const DefaultsValue::Dictionary& MainBundle::infoDictionary()
{
    static const DefaultsValue::Dictionary dictionary{
        {"CFBundleShortVersionString", DefaultsValue(QM_BUNDLE_SHORT_VERSION)},
        {"CFBundleVersion", DefaultsValue(QM_BUNDLE_VERSION)},
    };
    return dictionary;
}

}  // namespace qm
