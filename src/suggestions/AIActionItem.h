#pragma once

#include <string>
#include <vector>

#include "suggestions/AIActionType.h"

namespace qm {

// One quick action of the AI prompt: the chip's own label and symbol (not the
// action type's) and the action handed to the engine.
struct AIActionItem {
    std::string label;
    std::string iconName;
    AIActionType actionType;

    // The five quick actions in chip order: professional and casual rewrites,
    // explain, summarize, and a translation into Spanish.
    static const std::vector<AIActionItem>& quickActions();
};

}  // namespace qm
