#include "suggestions/AIActionItem.h"

namespace qm {

const std::vector<AIActionItem>& AIActionItem::quickActions()
{
    static const std::vector<AIActionItem> actions{
        {"Rewrite (Professional)", "pencil.and.outline", AIActionType::rewrite("professional")},
        {"Rewrite (Casual)", "bubble.left.and.bubble.right.fill", AIActionType::rewrite("casual")},
        {"Explain", "questionmark.circle.fill", AIActionType::explain()},
        {"Summarize", "text.alignleft", AIActionType::summarize()},
        {"Translate", "character.book.closed.fill", AIActionType::translate("Spanish")},
    };
    return actions;
}

}  // namespace qm
