#include "platform/sim/accessibility/SimAccessibility.h"

#include <string>

#include "base/Text.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXRole.h"
#include "platform/sim/accessibility/SimAXObserver.h"
#include "platform/sim/accessibility/SimTextLayout.h"
#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {
namespace {

std::string bullets(std::size_t count)
{
    std::string result;
    for (std::size_t i = 0; i < count; ++i) {
        result += "\u2022";
    }
    return result;
}

// A text attribute that may be blank: blank reads as no value.
AXError optionalString(const std::string& text, AXValue& value)
{
    if (text.empty()) {
        return AXError::noValue;
    }
    value = AXValue::string(text);
    return AXError::success;
}

bool isValidRange(const AXTextRange& range, std::size_t textLength)
{
    return range.location >= 0 && range.length >= 0 &&
           static_cast<std::uint64_t>(range.end()) <= static_cast<std::uint64_t>(textLength);
}

std::string textOf(const SimNode& node, std::size_t start, std::size_t end)
{
    if (node.isSecure()) {
        return bullets(end - start);
    }
    return text::toUtf8(std::u16string_view(node.text).substr(start, end - start));
}

}  // namespace

SimAccessibility::SimAccessibility(std::shared_ptr<SimDesktopState> state) : state_(std::move(state)) {}

AXUIElement SimAccessibility::systemWideElement()
{
    return AXUIElement(shared_from_this(), 0, SimDesktopState::systemWideToken);
}

AXUIElement SimAccessibility::applicationElement(std::int32_t pid)
{
    return AXUIElement(shared_from_this(), pid, SimDesktopState::applicationToken(pid));
}

AXError SimAccessibility::createObserver(std::int32_t pid, AXObserver::Callback callback,
                                         std::shared_ptr<AXObserver>& observer)
{
    {
        const auto lock = state_->lock();
        if (!state_->isAlive()) {
            return AXError::failure;
        }
        if (!state_->isTrusted()) {
            return AXError::apiDisabled;
        }
        if (pid <= 0) {
            return AXError::illegalArgument;
        }
        if (!state_->application(pid)) {
            return AXError::cannotComplete;
        }
    }
    observer = SimAXObserver::create(state_, pid, std::move(callback));
    return AXError::success;
}

AXError SimAccessibility::admit(const AXUIElement& element, Target& target)
{
    if (!state_->isAlive()) {
        return AXError::invalidUIElement;
    }
    if (!state_->isTrusted()) {
        return AXError::apiDisabled;
    }
    const std::uint64_t token = element.token();
    if (token == SimDesktopState::systemWideToken) {
        target.app = state_->application(state_->frontmostPid());
    } else if (SimDesktopState::isApplicationToken(token)) {
        target.app = state_->application(element.pid());
        if (!target.app) {
            return AXError::invalidUIElement;
        }
    } else {
        target.node = state_->node(token);
        if (!target.node) {
            return AXError::invalidUIElement;
        }
        target.app = state_->application(target.node->pid);
    }
    if (target.app && target.app->responseDelay > state_->messagingTimeout(token)) {
        return AXError::cannotComplete;
    }
    return AXError::success;
}

AXError SimAccessibility::copyAttributeValue(const AXUIElement& element, std::string_view attribute,
                                             AXValue& value)
{
    const auto lock = state_->lock();
    Target target;
    if (const AXError error = admit(element, target); error != AXError::success) {
        return error;
    }
    AXValue result;
    AXError error;
    if (target.node) {
        error = readNode(*target.app, *target.node, attribute, result);
    } else if (element.token() == SimDesktopState::systemWideToken) {
        error = readSystemWide(attribute, result);
    } else {
        error = readApplication(*target.app, attribute, result);
    }
    if (error == AXError::success) {
        value = std::move(result);
    }
    return error;
}

AXError SimAccessibility::readSystemWide(std::string_view attribute, AXValue& value)
{
    SimAppRecord* app = state_->application(state_->frontmostPid());
    if (attribute == AXAttribute::role) {
        value = AXValue::string(std::string(AXRole::systemWide));
        return AXError::success;
    }
    if (attribute == AXAttribute::focusedApplication) {
        if (!app) {
            return AXError::noValue;
        }
        value = AXValue::element(state_->element(app->pid, SimDesktopState::applicationToken(app->pid)));
        return AXError::success;
    }
    if (attribute == AXAttribute::focusedUIElement) {
        if (!app) {
            return AXError::noValue;
        }
        return readApplication(*app, attribute, value);
    }
    return AXError::attributeUnsupported;
}

AXError SimAccessibility::readApplication(SimAppRecord& app, std::string_view attribute, AXValue& value)
{
    const auto elementOf = [&](std::uint64_t id) { return state_->element(app.pid, id); };
    if (attribute == AXAttribute::role) {
        value = AXValue::string(std::string(AXRole::application));
    } else if (attribute == AXAttribute::roleDescription) {
        value = AXValue::string("application");
    } else if (attribute == AXAttribute::title) {
        return optionalString(app.name.value_or(""), value);
    } else if (attribute == AXAttribute::subrole || attribute == AXAttribute::identifier ||
               attribute == AXAttribute::description || attribute == AXAttribute::parent) {
        return AXError::noValue;
    } else if (attribute == AXAttribute::children || attribute == AXAttribute::windows) {
        std::vector<AXUIElement> elements;
        for (const std::uint64_t id : app.topLevel) {
            const SimNode* top = state_->node(id);
            if (top && (attribute == AXAttribute::children || top->role == AXRole::window)) {
                elements.push_back(elementOf(id));
            }
        }
        value = AXValue::elements(std::move(elements));
    } else if (attribute == AXAttribute::focusedWindow) {
        if (!state_->node(app.focusedWindow)) {
            return AXError::noValue;
        }
        value = AXValue::element(elementOf(app.focusedWindow));
    } else if (attribute == AXAttribute::focusedUIElement) {
        if (!app.treeAnswers() || !state_->node(app.focusedElement)) {
            return AXError::noValue;
        }
        value = AXValue::element(elementOf(app.focusedElement));
    } else if (attribute == AXAttribute::frontmost) {
        value = AXValue::boolean(state_->frontmostPid() == app.pid);
    } else if (attribute == AXAttribute::manualAccessibility) {
        if (!app.acceptsManualAccessibility) {
            return AXError::attributeUnsupported;
        }
        value = AXValue::boolean(app.manualAccessibility);
    } else if (attribute == AXAttribute::enhancedUserInterface) {
        if (!app.acceptsEnhancedUserInterface) {
            return AXError::attributeUnsupported;
        }
        value = AXValue::boolean(app.enhancedUserInterface);
    } else {
        return AXError::attributeUnsupported;
    }
    return AXError::success;
}

AXError SimAccessibility::readNode(SimAppRecord& app, SimNode& node, std::string_view attribute,
                                   AXValue& value)
{
    const auto elementOf = [&](std::uint64_t id) { return state_->element(app.pid, id); };
    if (attribute == AXAttribute::role) {
        value = AXValue::string(node.role);
    } else if (attribute == AXAttribute::roleDescription) {
        value = AXValue::string(node.roleDescription);
    } else if (attribute == AXAttribute::subrole) {
        return optionalString(node.subrole, value);
    } else if (attribute == AXAttribute::identifier) {
        return optionalString(node.identifier, value);
    } else if (attribute == AXAttribute::description) {
        return optionalString(node.description, value);
    } else if (attribute == AXAttribute::title) {
        return optionalString(node.title, value);
    } else if (attribute == AXAttribute::parent) {
        value = AXValue::element(
            elementOf(node.parent != 0 ? node.parent : SimDesktopState::applicationToken(app.pid)));
    } else if (attribute == AXAttribute::children) {
        std::vector<AXUIElement> elements;
        // Until an application builds its tree, its windows look empty.
        if (node.parent != 0 || app.treeAnswers()) {
            for (const std::uint64_t id : node.children) {
                if (state_->node(id)) {
                    elements.push_back(elementOf(id));
                }
            }
        }
        value = AXValue::elements(std::move(elements));
    } else if (attribute == AXAttribute::window) {
        const std::uint64_t window = state_->windowOf(node.id);
        if (window == 0) {
            return AXError::noValue;
        }
        value = AXValue::element(elementOf(window));
    } else if (attribute == AXAttribute::position) {
        value = AXValue::point(node.frame.origin);
    } else if (attribute == AXAttribute::size) {
        value = AXValue::size(node.frame.size);
    } else if (attribute == AXAttribute::focused) {
        value = AXValue::boolean(app.focusedElement == node.id);
    } else if (attribute == AXAttribute::url) {
        if (node.role != AXRole::webArea) {
            return AXError::attributeUnsupported;
        }
        if (!node.url) {
            return AXError::noValue;
        }
        value = AXValue::url(*node.url);
    } else if (node.isText()) {
        return readText(node, attribute, value);
    } else if (attribute == AXAttribute::value && node.staticValue) {
        value = AXValue::string(*node.staticValue);
    } else {
        return AXError::attributeUnsupported;
    }
    return AXError::success;
}

AXError SimAccessibility::readText(SimNode& node, std::string_view attribute, AXValue& value)
{
    const auto length = static_cast<std::int64_t>(node.text.size());
    if (attribute == AXAttribute::value) {
        value = AXValue::string(textOf(node, 0, node.text.size()));
    } else if (attribute == AXAttribute::placeholderValue) {
        return optionalString(node.placeholder, value);
    } else if (attribute == AXAttribute::selectedTextRange) {
        value = AXValue::range(node.selection);
    } else if (attribute == AXAttribute::selectedText) {
        value = AXValue::string(textOf(node, static_cast<std::size_t>(node.selection.location),
                                       static_cast<std::size_t>(node.selection.end())));
    } else if (attribute == AXAttribute::numberOfCharacters) {
        value = AXValue::number(static_cast<double>(length));
    } else if (attribute == AXAttribute::insertionPointLineNumber) {
        const auto position =
            SimTextLayout::positionOf(node.text, static_cast<std::size_t>(node.selection.location));
        value = AXValue::number(static_cast<double>(position.line));
    } else if (attribute == AXAttribute::visibleCharacterRange) {
        value = AXValue::range({0, length});
    } else {
        return AXError::attributeUnsupported;
    }
    return AXError::success;
}

AXError SimAccessibility::setAttributeValue(const AXUIElement& element, std::string_view attribute,
                                            const AXValue& value)
{
    const auto lock = state_->lock();
    Target target;
    if (const AXError error = admit(element, target); error != AXError::success) {
        return error;
    }
    if (target.node) {
        return writeNode(*target.node, attribute, value);
    }
    if (element.token() == SimDesktopState::systemWideToken) {
        return AXError::attributeUnsupported;
    }
    return writeApplication(*target.app, attribute, value);
}

AXError SimAccessibility::writeApplication(SimAppRecord& app, std::string_view attribute,
                                           const AXValue& value)
{
    const bool manual = attribute == AXAttribute::manualAccessibility;
    if (!manual && attribute != AXAttribute::enhancedUserInterface) {
        return AXError::attributeUnsupported;
    }
    if (!(manual ? app.acceptsManualAccessibility : app.acceptsEnhancedUserInterface)) {
        return AXError::attributeUnsupported;
    }
    const auto flag = value.asBool();
    if (!flag) {
        return AXError::illegalArgument;
    }
    (manual ? app.manualAccessibility : app.enhancedUserInterface) = *flag;
    return AXError::success;
}

AXError SimAccessibility::writeNode(SimNode& node, std::string_view attribute, const AXValue& value)
{
    if (attribute == AXAttribute::focused) {
        const auto flag = value.asBool();
        if (!flag) {
            return AXError::illegalArgument;
        }
        if (*flag) {
            state_->focus(node.id);
        }
        return AXError::success;
    }
    const bool textEdit = attribute == AXAttribute::value || attribute == AXAttribute::selectedTextRange ||
                          attribute == AXAttribute::selectedText;
    if (!node.isText() || !textEdit) {
        return AXError::attributeUnsupported;
    }
    if (node.refusedWrites) {
        return *node.refusedWrites;
    }
    if (attribute == AXAttribute::selectedTextRange) {
        const auto range = value.asRange();
        if (!range || !isValidRange(*range, node.text.size())) {
            return AXError::illegalArgument;
        }
        state_->setSelection(node, *range);
        return AXError::success;
    }
    const auto text = value.asString();
    if (!text) {
        return AXError::illegalArgument;
    }
    if (attribute == AXAttribute::value) {
        state_->setText(node, text::toUtf16(*text));
    } else {
        state_->replaceText(node, static_cast<std::size_t>(node.selection.location),
                            static_cast<std::size_t>(node.selection.end()), text::toUtf16(*text));
    }
    if (node.misplacesSelection) {
        state_->setSelection(node, {0, 0});
    }
    return AXError::success;
}

AXError SimAccessibility::isAttributeSettable(const AXUIElement& element, std::string_view attribute,
                                              bool& settable)
{
    const auto lock = state_->lock();
    Target target;
    if (const AXError error = admit(element, target); error != AXError::success) {
        return error;
    }
    AXValue ignored;
    if (target.node) {
        SimNode& node = *target.node;
        const bool textEdit = attribute == AXAttribute::value ||
                              attribute == AXAttribute::selectedTextRange ||
                              attribute == AXAttribute::selectedText;
        if (attribute == AXAttribute::focused || (node.isText() && textEdit)) {
            settable = attribute == AXAttribute::focused || !node.refusedWrites;
            return AXError::success;
        }
        const AXError error = readNode(*target.app, node, attribute, ignored);
        if (error == AXError::attributeUnsupported) {
            return error;
        }
    } else if (element.token() == SimDesktopState::systemWideToken) {
        const AXError error = readSystemWide(attribute, ignored);
        if (error == AXError::attributeUnsupported || error == AXError::cannotComplete) {
            return error;
        }
    } else {
        const AXError error = readApplication(*target.app, attribute, ignored);
        if (error == AXError::attributeUnsupported) {
            return error;
        }
        if (attribute == AXAttribute::manualAccessibility ||
            attribute == AXAttribute::enhancedUserInterface) {
            settable = true;
            return AXError::success;
        }
    }
    settable = false;
    return AXError::success;
}

AXError SimAccessibility::copyParameterizedAttributeValue(const AXUIElement& element,
                                                          std::string_view attribute,
                                                          const AXValue& parameter, AXValue& value)
{
    const auto lock = state_->lock();
    Target target;
    if (const AXError error = admit(element, target); error != AXError::success) {
        return error;
    }
    const bool bounds = attribute == AXAttribute::boundsForRange;
    if (!target.node || !target.node->isText() || (!bounds && attribute != AXAttribute::stringForRange)) {
        return AXError::parameterizedAttributeUnsupported;
    }
    const SimNode& node = *target.node;
    const auto range = parameter.asRange();
    if (!range || !isValidRange(*range, node.text.size())) {
        return AXError::illegalArgument;
    }
    const auto start = static_cast<std::size_t>(range->location);
    const auto end = static_cast<std::size_t>(range->end());
    if (bounds) {
        value = AXValue::rect(
            node.boundsOverride.value_or(SimTextLayout::boundsForRange(node.text, node.frame, start, end)));
    } else {
        value = AXValue::string(textOf(node, start, end));
    }
    return AXError::success;
}

AXError SimAccessibility::setMessagingTimeout(const AXUIElement& element, float seconds)
{
    const auto lock = state_->lock();
    state_->setMessagingTimeout(element.token(), seconds);
    return AXError::success;
}

}  // namespace qm
