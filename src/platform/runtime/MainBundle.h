#pragma once

#include "platform/storage/DefaultsValue.h"

namespace qm {

// The program's own bundle: its information dictionary holds the release
// version ("CFBundleShortVersionString") and the build number
// ("CFBundleVersion"), both text, fixed when the program is built.
class MainBundle {
public:
    MainBundle() = delete;

    static const DefaultsValue::Dictionary& infoDictionary();
};

}  // namespace qm
