#pragma once

#include <string_view>

namespace qm {

class NotificationCenter;

// Asks the shell for a transient HUD message ("ShowHUDMessage").
void postHUDMessage(NotificationCenter& center, std::string_view message, std::string_view systemImage);

}  // namespace qm
