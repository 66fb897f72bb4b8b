#include "platform/sim/accessibility/SimTextField.h"

#include <algorithm>

#include "base/Text.h"
#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {

std::string SimTextField::value() const
{
    const auto lock = state_->lock();
    const SimNode* node = state_->node(id_);
    return node ? text::toUtf8(node->text) : std::string();
}

void SimTextField::setValue(std::string_view utf8) const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        state_->setText(*node, text::toUtf16(utf8));
    }
}

AXTextRange SimTextField::selectedRange() const
{
    const auto lock = state_->lock();
    const SimNode* node = state_->node(id_);
    return node ? node->selection : AXTextRange{};
}

void SimTextField::select(AXTextRange range) const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        const auto length = static_cast<std::int64_t>(node->text.size());
        const std::int64_t location = std::clamp<std::int64_t>(range.location, 0, length);
        state_->setSelection(*node, {location, std::clamp<std::int64_t>(range.length, 0, length - location)});
    }
}

void SimTextField::refuseWrites(AXError error) const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        node->refusedWrites = error;
    }
}

void SimTextField::acceptWrites() const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        node->refusedWrites.reset();
    }
}

void SimTextField::setMisplacesSelection(bool misplaces) const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        node->misplacesSelection = misplaces;
    }
}

void SimTextField::setBoundsOverride(std::optional<Rect> bounds) const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        node->boundsOverride = bounds;
    }
}

void SimTextField::setChangeHandler(std::function<void()> handler) const
{
    const auto lock = state_->lock();
    state_->setTextWatcher(id_, std::move(handler));
}

}  // namespace qm
