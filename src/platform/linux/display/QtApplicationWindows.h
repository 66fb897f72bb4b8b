#pragma once

#include "platform/display/ApplicationWindows.h"

namespace qm {

// The key window is Qt's active window (a top-level widget; its identity is
// the widget, as QtWindow's).
class QtApplicationWindows final : public ApplicationWindows {
public:
    const void* keyWindow() const override;
};

}  // namespace qm
