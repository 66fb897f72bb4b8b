#include "platform/sim/accessibility/SimElement.h"

#include <stdexcept>

#include "base/Text.h"
#include "platform/accessibility/AXRole.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {
namespace {

std::string roleDescriptionFor(const std::string& role, const std::string& subrole)
{
    if (subrole == AXRole::secureTextField) {
        return "secure text field";
    }
    if (subrole == AXRole::searchField) {
        return "search text field";
    }
    if (role == AXRole::window) {
        return "standard window";
    }
    if (role == AXRole::textField) {
        return "text field";
    }
    if (role == AXRole::textArea) {
        return "text entry area";
    }
    if (role == AXRole::staticText) {
        return "text";
    }
    if (role == AXRole::webArea) {
        return "HTML content";
    }
    if (role == AXRole::comboBox) {
        return "combo box";
    }
    if (role == AXRole::menuItem) {
        return "menu item";
    }
    // "AXGroup" → "group", "AXToolbar" → "toolbar", "AXButton" → "button" ...
    return text::lowercased(role.starts_with("AX") ? role.substr(2) : role);
}

}  // namespace

SimElement::SimElement(std::shared_ptr<SimDesktopState> state, std::int32_t pid, std::uint64_t id)
    : state_(std::move(state)), pid_(pid), id_(id)
{
}

bool SimElement::isAlive() const
{
    const auto lock = state_->lock();
    return state_->node(id_) != nullptr;
}

AXUIElement SimElement::axElement() const
{
    return state_->element(pid_, id_);
}

SimElement SimElement::addChild(const SimElementSpec& spec) const
{
    SimNode node;
    node.role = spec.role;
    node.subrole = spec.subrole;
    node.title = spec.title;
    node.description = spec.description;
    node.identifier = spec.identifier;
    node.roleDescription =
        spec.roleDescription.empty() ? roleDescriptionFor(spec.role, spec.subrole) : spec.roleDescription;
    node.frame = spec.frame;
    node.staticValue = spec.value;
    node.url = spec.url;
    const auto lock = state_->lock();
    const std::uint64_t id = state_->addNode(pid_, id_, std::move(node));
    if (id == 0) {
        throw std::logic_error("SimElement: cannot add to an element that is gone");
    }
    return SimElement(state_, pid_, id);
}

SimTextField SimElement::addTextField(const SimTextFieldSpec& spec) const
{
    SimNode node;
    node.role = std::string(spec.kind == SimTextKind::multiLine ? AXRole::textArea : AXRole::textField);
    node.subrole = spec.kind == SimTextKind::secure ? std::string(AXRole::secureTextField) : spec.subrole;
    node.roleDescription = roleDescriptionFor(node.role, node.subrole);
    node.title = spec.title;
    node.description = spec.description;
    node.identifier = spec.identifier;
    node.frame = spec.frame;
    node.textKind = spec.kind;
    node.text = text::toUtf16(spec.value);
    node.placeholder = spec.placeholder;
    node.selection = {static_cast<std::int64_t>(node.text.size()), 0};
    const auto lock = state_->lock();
    const std::uint64_t id = state_->addNode(pid_, id_, std::move(node));
    if (id == 0) {
        throw std::logic_error("SimElement: cannot add to an element that is gone");
    }
    return SimTextField(state_, pid_, id);
}

void SimElement::focus() const
{
    const auto lock = state_->lock();
    state_->focus(id_);
}

void SimElement::remove() const
{
    const auto lock = state_->lock();
    state_->removeNode(id_);
}

void SimElement::setTitle(std::string title) const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        node->title = std::move(title);
    }
}

void SimElement::setURL(std::string url) const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        node->url = std::move(url);
    }
}

void SimElement::setFrame(Rect frame) const
{
    const auto lock = state_->lock();
    if (SimNode* node = state_->node(id_)) {
        node->frame = frame;
    }
}

Rect SimElement::frame() const
{
    const auto lock = state_->lock();
    const SimNode* node = state_->node(id_);
    return node ? node->frame : Rect();
}

}  // namespace qm
