#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/accessibility/AXElementBackend.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"

namespace qm::test {

// Accessibility in front of the stand-in desktop's that refuses writes of the
// attributes a test names and records every write, for hosts that accept part
// of an edit (a selection but not the replacement text) as some real ones do,
// and for hosts that report success for a write they never carry out.
// Make it with std::make_shared: its elements keep it alive.
class CaptureRouterAccessibilityFilter final
    : public Accessibility,
      public AXElementBackend,
      public std::enable_shared_from_this<CaptureRouterAccessibilityFilter> {
public:
    explicit CaptureRouterAccessibilityFilter(Accessibility& inner) : inner_(inner) {}

    // Writes of `attribute` answer `error`, once the first `acceptFirst` of
    // them have gone through.
    void refuseWrites(const std::string& attribute, AXError error = AXError::cannotComplete,
                      int acceptFirst = 0)
    {
        std::lock_guard lock(mutex_);
        refused_[attribute] = Refusal{error, acceptFirst};
    }

    // Every write goes through again.
    void acceptAllWrites()
    {
        std::lock_guard lock(mutex_);
        refused_.clear();
        ignored_.clear();
    }

    // Writes of `attribute` answer success and change nothing.
    void ignoreWrites(const std::string& attribute)
    {
        std::lock_guard lock(mutex_);
        ignored_.insert(attribute);
    }

    // The attributes written, in order, refused ones included.
    std::vector<std::string> writes() const
    {
        std::lock_guard lock(mutex_);
        return writes_;
    }

    AXUIElement systemWideElement() override { return wrap(inner_.systemWideElement()); }
    AXUIElement applicationElement(std::int32_t pid) override { return wrap(inner_.applicationElement(pid)); }
    AXError createObserver(std::int32_t pid, AXObserver::Callback callback,
                           std::shared_ptr<AXObserver>& observer) override
    {
        return inner_.createObserver(pid, std::move(callback), observer);
    }

    AXError copyAttributeValue(const AXUIElement& element, std::string_view attribute,
                               AXValue& value) override
    {
        AXValue answer;
        const AXError error = unwrap(element).copyAttributeValue(attribute, answer);
        if (error == AXError::success) {
            value = rewrap(answer);
        }
        return error;
    }
    AXError setAttributeValue(const AXUIElement& element, std::string_view attribute,
                              const AXValue& value) override
    {
        {
            std::lock_guard lock(mutex_);
            writes_.emplace_back(attribute);
            if (const auto refused = refused_.find(std::string(attribute)); refused != refused_.end()) {
                if (refused->second.acceptFirst == 0) {
                    return refused->second.error;
                }
                --refused->second.acceptFirst;
            }
            if (ignored_.contains(std::string(attribute))) {
                return AXError::success;
            }
        }
        return unwrap(element).setAttributeValue(attribute, value);
    }
    AXError isAttributeSettable(const AXUIElement& element, std::string_view attribute,
                                bool& settable) override
    {
        return unwrap(element).isAttributeSettable(attribute, settable);
    }
    AXError copyParameterizedAttributeValue(const AXUIElement& element, std::string_view attribute,
                                            const AXValue& parameter, AXValue& value) override
    {
        AXValue answer;
        const AXError error = unwrap(element).copyParameterizedAttributeValue(attribute, parameter, answer);
        if (error == AXError::success) {
            value = rewrap(answer);
        }
        return error;
    }
    AXError setMessagingTimeout(const AXUIElement& element, float seconds) override
    {
        return unwrap(element).setMessagingTimeout(seconds);
    }

private:
    AXUIElement wrap(const AXUIElement& inner)
    {
        if (inner.isNull()) {
            return inner;
        }
        std::lock_guard lock(mutex_);
        auto found = tokens_.find(inner);
        if (found == tokens_.end()) {
            const std::uint64_t token = ++lastToken_;
            found = tokens_.emplace(inner, token).first;
            elements_.emplace(token, inner);
        }
        return AXUIElement(shared_from_this(), inner.pid(), found->second);
    }

    AXUIElement unwrap(const AXUIElement& element)
    {
        std::lock_guard lock(mutex_);
        const auto found = elements_.find(element.token());
        return found == elements_.end() ? AXUIElement() : found->second;
    }

    AXValue rewrap(const AXValue& value)
    {
        if (const auto element = value.asElement()) {
            return AXValue::element(wrap(*element));
        }
        if (const auto elements = value.asElements()) {
            std::vector<AXUIElement> wrapped;
            for (const auto& element : *elements) {
                wrapped.push_back(wrap(element));
            }
            return AXValue::elements(std::move(wrapped));
        }
        return value;
    }

    struct Refusal {
        AXError error = AXError::cannotComplete;
        int acceptFirst = 0;
    };

    Accessibility& inner_;
    mutable std::mutex mutex_;
    std::map<std::string, Refusal> refused_;
    std::set<std::string> ignored_;
    std::vector<std::string> writes_;
    std::unordered_map<AXUIElement, std::uint64_t> tokens_;
    std::map<std::uint64_t, AXUIElement> elements_;
    std::uint64_t lastToken_ = 0;
};

}  // namespace qm::test
