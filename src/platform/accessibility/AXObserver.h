#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/accessibility/AXError.h"
#include "platform/accessibility/AXUIElement.h"

namespace qm {

// Listens for Accessibility notifications of one application. Callbacks run
// on the main thread, only while the observer is on the main loop (between
// addToMainLoop and removeFromMainLoop) and only while the observer lives:
// dropping the last reference ends them, a notification already queued
// included. A notification is queued when the change happens and delivered
// when the main loop next runs, never inside the call that made the change.
class AXObserver {
public:
    // `element` is the element the notification is about (the newly focused
    // element, the field whose selection moved), not the one registered.
    using Callback = std::function<void(const AXUIElement& element, std::string_view notification)>;

    virtual ~AXObserver() = default;

    virtual std::int32_t pid() const = 0;

    // Registers for `notification` on `element`, which must belong to this
    // observer's process. Registered on the application element, the observer
    // hears the notification for every element of the application.
    // AXError::notificationUnsupported for names the application never sends,
    // AXError::notificationAlreadyRegistered for a repeat.
    virtual AXError addNotification(const AXUIElement& element, std::string_view notification) = 0;
    // AXError::notificationNotRegistered when there is nothing to remove.
    virtual AXError removeNotification(const AXUIElement& element, std::string_view notification) = 0;

    // The observer's run-loop source on the main run loop.
    virtual void addToMainLoop() = 0;
    virtual void removeFromMainLoop() = 0;
};

}  // namespace qm
