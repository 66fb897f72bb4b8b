#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/accessibility/AXElementBackend.h"
#include "platform/accessibility/Accessibility.h"

namespace qm::test {

// Accessibility that answers attribute reads from a script and counts every
// call, for answers the stand-in desktop never gives (a title that is a number,
// a focused window that is not an element). Unscripted reads give noValue.
// Make it with std::make_shared: its elements keep it alive, so a scripted
// answer that is one of its own elements is named by scriptElement() and only
// made when read (holding it would keep the backend alive for ever).
class ScriptedAccessibility final : public Accessibility,
                                    public AXElementBackend,
                                    public std::enable_shared_from_this<ScriptedAccessibility> {
public:
    // The token of the application element of `pid`; other elements use their own.
    static std::uint64_t applicationToken(std::int32_t pid)
    {
        return 1'000'000u + static_cast<std::uint32_t>(pid);
    }

    AXUIElement element(std::int32_t pid, std::uint64_t token)
    {
        return AXUIElement(shared_from_this(), pid, token);
    }

    // `value` must not hold an element of this backend: use scriptElement().
    void script(std::uint64_t token, std::string attribute, AXError error, AXValue value = {})
    {
        std::lock_guard lock(mutex_);
        answers_[{token, std::move(attribute)}] = {error, std::move(value), std::nullopt};
    }

    // The attribute answers success with this backend's element (pid, elementToken).
    void scriptElement(std::uint64_t token, std::string attribute, std::int32_t pid,
                       std::uint64_t elementToken)
    {
        std::lock_guard lock(mutex_);
        answers_[{token, std::move(attribute)}] = {AXError::success, AXValue(),
                                                   std::make_pair(pid, elementToken)};
    }

    int callCount() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    AXUIElement systemWideElement() override
    {
        count();
        return element(0, 0);
    }
    AXUIElement applicationElement(std::int32_t pid) override
    {
        count();
        return element(pid, applicationToken(pid));
    }
    AXError createObserver(std::int32_t, AXObserver::Callback, std::shared_ptr<AXObserver>&) override
    {
        count();
        return AXError::failure;
    }

    AXError copyAttributeValue(const AXUIElement& element, std::string_view attribute,
                               AXValue& value) override
    {
        std::lock_guard lock(mutex_);
        ++calls_;
        const auto found = answers_.find({element.token(), std::string(attribute)});
        if (found == answers_.end()) {
            return AXError::noValue;
        }
        const Answer& answer = found->second;
        if (answer.error == AXError::success) {
            value = answer.element
                        ? AXValue::element(this->element(answer.element->first, answer.element->second))
                        : answer.value;
        }
        return answer.error;
    }
    AXError setAttributeValue(const AXUIElement&, std::string_view, const AXValue&) override
    {
        count();
        return AXError::failure;
    }
    AXError isAttributeSettable(const AXUIElement&, std::string_view, bool&) override
    {
        count();
        return AXError::failure;
    }
    AXError copyParameterizedAttributeValue(const AXUIElement&, std::string_view, const AXValue&,
                                            AXValue&) override
    {
        count();
        return AXError::failure;
    }
    AXError setMessagingTimeout(const AXUIElement&, float) override
    {
        count();
        return AXError::success;
    }

private:
    void count()
    {
        std::lock_guard lock(mutex_);
        ++calls_;
    }

    struct Answer {
        AXError error;
        AXValue value;
        std::optional<std::pair<std::int32_t, std::uint64_t>> element;
    };

    mutable std::mutex mutex_;
    std::map<std::pair<std::uint64_t, std::string>, Answer> answers_;
    int calls_ = 0;
};

}  // namespace qm::test
