#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/accessibility/AXError.h"
#include "platform/accessibility/AXTextRange.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/MainLoop.h"
#include "platform/sim/accessibility/SimNode.h"
#include "platform/sim/workspace/SimAppRecord.h"
#include "platform/workspace/RunningApplication.h"

namespace qm {

class AXElementBackend;
class SimAXObserver;

// Everything the stand-in desktop knows: its applications, their elements, the
// focus, Accessibility trust, messaging timeouts and the observers' wishes.
// One mutex guards it all; the platform interfaces of the stand-in are thin
// views over it and may be called from any thread.
//
// Methods below "With the lock held" expect the caller to hold lock(). Element
// tokens: 0 is the system-wide element, applicationToken(pid) an application
// element, anything else the id of a SimNode.
class SimDesktopState : public std::enable_shared_from_this<SimDesktopState> {
public:
    static constexpr std::uint64_t systemWideToken = 0;
    static constexpr double defaultMessagingTimeout = 6.0;

    static std::uint64_t applicationToken(std::int32_t pid);
    static bool isApplicationToken(std::uint64_t token);

    // `mainLoop` must outlive the state; observer callbacks and workspace
    // notifications are posted to it.
    explicit SimDesktopState(MainLoop& mainLoop);
    SimDesktopState(const SimDesktopState&) = delete;
    SimDesktopState& operator=(const SimDesktopState&) = delete;

    std::unique_lock<std::mutex> lock() const { return std::unique_lock(mutex_); }

    MainLoop& mainLoop() const { return mainLoop_; }
    NotificationCenter& workspaceCenter() { return workspaceCenter_; }

    // Set once, before any element is made.
    void setElementBackend(std::weak_ptr<AXElementBackend> backend) { backend_ = std::move(backend); }
    AXUIElement element(std::int32_t pid, std::uint64_t token) const;

    // ---- With the lock held ----

    // After shutdown every element is invalid and nothing more is posted.
    bool isAlive() const { return alive_; }
    void shutdown();

    bool isTrusted() const { return trusted_; }
    void setTrusted(bool trusted) { trusted_ = trusted; }
    // The prompt's scripted answer: true grants trust once the check returned.
    void setPromptAnswer(std::optional<bool> answer) { promptAnswer_ = answer; }
    bool checkTrust(bool prompt);
    int promptCount() const { return promptCount_; }

    std::int32_t addApplication(std::optional<std::string> bundleId, std::optional<std::string> name);
    SimAppRecord* application(std::int32_t pid);  // running applications only
    std::vector<RunningApplication> runningApplications() const;
    std::int32_t frontmostPid() const { return frontmost_.load(std::memory_order_relaxed); }
    bool activate(std::int32_t pid);
    void terminate(std::int32_t pid);

    SimNode* node(std::uint64_t id);  // alive elements of running applications only
    // `parent` 0 makes a top-level element (window, menu) of the application.
    std::uint64_t addNode(std::int32_t pid, std::uint64_t parent, SimNode node);
    void removeNode(std::uint64_t id);
    std::uint64_t windowOf(std::uint64_t id);
    void focus(std::uint64_t id);

    // A menu takes the focus while it is open; closing it gives the focus back.
    std::uint64_t openMenu(std::int32_t pid, const std::vector<std::string>& items, const Rect& frame);
    void closeMenu(std::int32_t pid);

    // Text edits. Each notifies as the platform does: value first, then selection.
    void setSelection(SimNode& field, AXTextRange range);
    void replaceText(SimNode& field, std::size_t start, std::size_t end, std::u16string_view text);
    void setText(SimNode& field, std::u16string text);

    void notify(std::int32_t pid, std::uint64_t token, std::string_view notification);

    // Runs `handler` on the main loop after changes of the text or the
    // selection of text field `id`, whoever made them (one run for the
    // changes made before it runs); an empty handler stops it.
    void setTextWatcher(std::uint64_t id, std::function<void()> handler);

    bool secureInputRequested() const { return secureInputRequested_; }
    void setSecureInputRequested(bool requested)
    {
        secureInputRequested_ = requested;
        refreshSecureInput();
    }
    bool isSecureInputOn();
    // isSecureInputOn() as of the last change that could alter it, without
    // the lock: the event taps ask for every key, and the system's own answer
    // costs no lock either.
    bool secureInputOnWithoutLock() const { return secureInputOn_.load(std::memory_order_acquire); }

    double messagingTimeout(std::uint64_t token) const;
    void setMessagingTimeout(std::uint64_t token, double seconds);

    std::uint64_t addObserver(const std::shared_ptr<SimAXObserver>& observer, std::int32_t pid);
    void removeObserver(std::uint64_t observerId);
    void setObserverOnMainLoop(std::uint64_t observerId, bool onMainLoop);
    AXError addRegistration(std::uint64_t observerId, std::int32_t pid, std::uint64_t token,
                            std::string_view notification);
    AXError removeRegistration(std::uint64_t observerId, std::uint64_t token, std::string_view notification);

private:
    // With the lock held.
    void refreshSecureInput();
    struct ObserverRecord {
        std::weak_ptr<SimAXObserver> observer;
        std::int32_t pid = 0;
        bool onMainLoop = false;
    };
    struct Registration {
        std::uint64_t id = 0;
        std::uint64_t observerId = 0;
        std::int32_t pid = 0;
        std::uint64_t token = 0;
        std::string notification;
    };

    static void deliver(const std::weak_ptr<SimDesktopState>& weakState, std::uint64_t registrationId,
                        std::int32_t pid, std::uint64_t token, const std::string& notification);
    void collectSubtree(std::uint64_t id, std::vector<std::uint64_t>& ids);

    MainLoop& mainLoop_;
    NotificationCenter workspaceCenter_;
    std::weak_ptr<AXElementBackend> backend_;

    mutable std::mutex mutex_;
    bool alive_ = true;
    bool trusted_ = true;
    std::optional<bool> promptAnswer_;
    int promptCount_ = 0;
    std::map<std::int32_t, SimAppRecord> apps_;
    std::map<std::uint64_t, SimNode> nodes_;
    std::int32_t nextPid_ = 500;
    std::uint64_t nextNodeId_ = 1;
    // Written under the state's lock; also read without it (the workspace's
    // frontmostProcessIdentifier, asked for every key).
    std::atomic<std::int32_t> frontmost_{0};
    bool secureInputRequested_ = false;
    // isSecureInputOn(), worked out again under the lock whenever the
    // application in front, its focused element or the request changes.
    std::atomic<bool> secureInputOn_{false};
    std::map<std::uint64_t, double> timeouts_;
    double defaultTimeout_ = defaultMessagingTimeout;
    struct TextWatcher {
        std::function<void()> handler;
        std::shared_ptr<std::atomic<bool>> scheduled;
    };
    std::map<std::uint64_t, TextWatcher> textWatchers_;
    std::map<std::uint64_t, ObserverRecord> observers_;
    std::vector<Registration> registrations_;
    std::uint64_t nextObserverId_ = 1;
    std::uint64_t nextRegistrationId_ = 1;
};

}  // namespace qm
