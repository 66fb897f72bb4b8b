#include "platform/accessibility/AXUIElement.h"

#include <functional>

#include "platform/accessibility/AXElementBackend.h"

namespace qm {

AXUIElement::AXUIElement(std::shared_ptr<AXElementBackend> backend, std::int32_t pid, std::uint64_t token)
    : backend_(std::move(backend)), pid_(pid), token_(token)
{
}

AXError AXUIElement::copyAttributeValue(std::string_view attribute, AXValue& value) const
{
    if (!backend_) {
        return AXError::illegalArgument;
    }
    return backend_->copyAttributeValue(*this, attribute, value);
}

AXError AXUIElement::setAttributeValue(std::string_view attribute, const AXValue& value) const
{
    if (!backend_) {
        return AXError::illegalArgument;
    }
    return backend_->setAttributeValue(*this, attribute, value);
}

AXError AXUIElement::isAttributeSettable(std::string_view attribute, bool& settable) const
{
    if (!backend_) {
        return AXError::illegalArgument;
    }
    return backend_->isAttributeSettable(*this, attribute, settable);
}

AXError AXUIElement::copyParameterizedAttributeValue(std::string_view attribute, const AXValue& parameter,
                                                     AXValue& value) const
{
    if (!backend_) {
        return AXError::illegalArgument;
    }
    return backend_->copyParameterizedAttributeValue(*this, attribute, parameter, value);
}

AXError AXUIElement::setMessagingTimeout(float seconds) const
{
    if (!backend_) {
        return AXError::illegalArgument;
    }
    if (seconds < 0) {
        return AXError::illegalArgument;
    }
    return backend_->setMessagingTimeout(*this, seconds);
}

std::size_t AXUIElement::hash() const
{
    const std::size_t a = std::hash<const void*>{}(backend_.get());
    const std::size_t b = std::hash<std::uint64_t>{}(token_);
    return a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
}

}  // namespace qm
