#include "capture/KeyDispatcher.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Text.h"
#include "capture/CaptureDefaultsKeys.h"
#include "capture/CaptureNotifications.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapHops.h"
#include "capture/EventTapLifecycle.h"
#include "capture/EventTapManager.h"
#include "capture/EventTapManagerDelegate.h"
#include "capture/TypingContextCharacter.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/keyboard/SecureInput.h"
#include "platform/keyboard/SyntheticEventPoster.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "platform/workspace/Workspace.h"
#include "shell/ShellNotifications.h"
#include "store/PrivacyFirewall.h"

namespace qm {

namespace {

// The digit keys 1 to 6 in the order of the suggestions they pick (the 6 key
// comes before the 5 key in key-code order).
constexpr std::array<std::uint16_t, 6> kSelectionKeys{KeyCode::one,  KeyCode::two,  KeyCode::three,
                                                      KeyCode::four, KeyCode::five, KeyCode::six};

// Punctuation that must not follow the space an inserted suggestion ended with.
constexpr std::array<std::string_view, 6> kSpaceSensitivePunctuation{",", ".", "!", "?", ";", ":"};

bool isModifierKey(std::uint16_t keyCode)
{
    return keyCode == KeyCode::command || keyCode == KeyCode::shift || keyCode == KeyCode::option ||
           keyCode == KeyCode::control;
}

}  // namespace

KeyDispatcher::KeyDispatcher(const EventTapServices& services, EventTapHops& hops,
                             EventTapLifecycle& lifecycle, TypingContext& typingContext)
    : services_(services), hops_(hops), lifecycle_(lifecycle), typingContext_(typingContext),
      frontmost_(services.workspace, services.privacyFirewall),
      afterKey_([&hops](std::function<void()> block) { hops.afterEvent(std::move(block)); })
{
}

std::optional<KeyEvent> KeyDispatcher::eventTapCallback(EventTapCallGate& gate, KeyDispatcher* dispatcher,
                                                        const KeyEvent& event)
{
    // Our own Delete and text keys are already decided; they may also arrive
    // from inside this very callback, so they are let through before anything
    // else is looked at.
    if (event.isOurs()) {
        return event;
    }
    const EventTapCallGate::Pass pass(gate);
    if (!pass) {
        return event;
    }
    KeyDispatcher* self = dispatcher;
    switch (event.type()) {
    case KeyEventType::keyDown:
        if (self->handleKeyEvent(event)) {
            return std::nullopt;
        }
        return event;
    case KeyEventType::tapDisabledByUserInput:
        self->lifecycle_.handleUserInputDisable();
        return event;
    case KeyEventType::tapDisabledByTimeout:
        self->lifecycle_.handleTimeout();
        return event;
    default:
        return event;
    }
}

bool KeyDispatcher::handleKeyEvent(const KeyEvent& event)
{
    // The ordinary key runs straight through; every branch that decides
    // otherwise is rare and kept off its path.
    lifecycle_.noteKeyDelivered();
    typingContext_.setLastKeyPressTime(services_.clock.now());

    if (services_.isOwnEditableWindowKey && services_.isOwnEditableWindowKey()) [[unlikely]] {
        return false;
    }
    if (services_.secureInput.isSecureEventInputEnabled()) [[unlikely]] {
        return passUnwatched();
    }
    const Frontmost& frontmost = frontmost_.current();
    if (services_.privacyFirewall.needsRefresh()) [[unlikely]] {
        refreshFirewallAfterKey();
    }
    if (frontmost_.excluded()) [[unlikely]] {
        return passUnwatched();
    }

    CaptureRouterController& router = services_.captureRouter;
    if (router.isCaptureModeActiveThreadSafe()) [[unlikely]] {
        return false;
    }
    if (router.isCaptureTransitionThreadSafe()) [[unlikely]] {
        return true;
    }
    if (router.handleKeyEvent(event, afterKey_)) [[unlikely]] {
        return true;
    }

    if (mutedApplications_.anyMuted() && !frontmost.bundleId.empty() &&
        mutedApplications_.contains(frontmost.bundleId)) [[unlikely]] {
        return dispatchMutedKey(event, frontmost.bundleId);
    }
    return dispatchUnmutedKey(event, frontmost);
}

bool KeyDispatcher::passUnwatched()
{
    typingContext_.clearContext(std::nullopt, true);
    return false;
}

bool KeyDispatcher::dispatchMutedKey(const KeyEvent& event, const std::string& bundleId)
{
    // Suggestions are off here: only the key that turns them back on is ours.
    if (event.keyCode() == KeyCode::zero && event.modifierFlags() == KeyEventFlags::control) {
        toggleSuggestionMute(bundleId);
        return true;
    }
    return false;
}

bool KeyDispatcher::dispatchUnmutedKey(const KeyEvent& event, const Frontmost& frontmost)
{
    // One look at the typing state for the whole decision.
    const KeyFlags flags = typingContext_.keyFlags();
    const EventFlags modifiers = event.modifierFlags();
    // A key with neither Control nor Command, while no suggestion, prompt or
    // placeholder is showing, is only typing: it goes to the typing context.
    if (flags.any() || (modifiers & (KeyEventFlags::control | KeyEventFlags::command)) != 0 ||
        event.keyCode() == KeyCode::escape) [[unlikely]] {
        return dispatchUnusualKey(event, frontmost, flags);
    }
    queueKeystroke(event, frontmost);
    return false;
}

bool KeyDispatcher::dispatchUnusualKey(const KeyEvent& event, const Frontmost& frontmost, KeyFlags flags)
{
    const std::uint16_t keyCode = event.keyCode();
    const EventFlags modifiers = event.modifierFlags();
    const bool control = (modifiers & KeyEventFlags::control) != 0;
    const bool option = (modifiers & KeyEventFlags::alternate) != 0;
    const bool command = (modifiers & KeyEventFlags::command) != 0;

    if (control && !option && !command && keyCode == KeyCode::space) [[unlikely]] {
        const bool shift = (modifiers & KeyEventFlags::shift) != 0;
        postOnMain(shift ? CaptureNotifications::triggerAIQuickActions
                         : CaptureNotifications::triggerManualSuggestions);
        return true;
    }
    if (flags.aiPromptMode) [[unlikely]] {
        return dispatchAIPromptKey(event);
    }
    if (flags.overlayVisible && keyCode == KeyCode::tab && !flags.placeholderMode) [[unlikely]] {
        hops_.callDelegateOnMain([](EventTapManagerDelegate& delegate, EventTapManager& manager) {
            delegate.eventTapManagerDidCycleSuggestion(manager);
        });
        return true;
    }
    if (flags.overlayVisible && keyCode == KeyCode::returnKey) [[unlikely]] {
        hops_.callDelegateOnMain([](EventTapManagerDelegate& delegate, EventTapManager& manager) {
            delegate.eventTapManagerDidCommitActiveSuggestion(manager);
        });
        return true;
    }
    if (flags.placeholderMode && keyCode == KeyCode::tab) [[unlikely]] {
        postOnMain(CaptureNotifications::tabPlaceholderPressed);
        return true;
    }

    // After a suggestion that ended in a space, punctuation must replace that
    // space. The Delete only lands before the punctuation if the punctuation
    // itself is sent after it, so the key is swallowed and typed again below.
    bool retypeAfterDelete = false;
    if (flags.trailingSpace) [[unlikely]] {
        if (keyCode == KeyCode::space) {
            typingContext_.setLastActionWasSuggestionWithTrailingSpace(false);
            Log::log("🔍 PredictiveOverlay EventTap: Swallowed space to prevent double space");
            return true;
        }
        const auto text = TypingContext::getUnicodeString(event);
        const auto first = text ? TypingContextCharacter::first(*text) : std::nullopt;
        if (!first) {
            if (!isModifierKey(keyCode)) {
                typingContext_.setLastActionWasSuggestionWithTrailingSpace(false);
            }
        } else if (std::find(kSpaceSensitivePunctuation.begin(), kSpaceSensitivePunctuation.end(),
                             first->text()) != kSpaceSensitivePunctuation.end()) {
            postSyntheticKey(KeyCode::deleteKey);
            // Handed over like the keystroke below, so it lands just before it.
            typingContext_.onTapQueue([&context = typingContext_] { context.dropSuggestionSpace(); });
            typingContext_.setLastActionWasSuggestionWithTrailingSpace(false);
            Log::log(
                fmt::format("🔍 PredictiveOverlay EventTap: Deleted trailing space before punctuation '{}'",
                            first->text()));
            retypeAfterDelete = true;
        } else if (first->kind() != TypingContextCharacter::Kind::whitespace) {
            typingContext_.setLastActionWasSuggestionWithTrailingSpace(false);
        }
    }

    if (keyCode == KeyCode::zero && modifiers == KeyEventFlags::control) [[unlikely]] {
        toggleSuggestionMute(frontmost.bundleId);
        return true;
    }
    if (flags.overlayVisible && modifiers == shortcutModifiers()) [[unlikely]] {
        const auto selection = std::find(kSelectionKeys.begin(), kSelectionKeys.end(), keyCode);
        if (selection != kSelectionKeys.end()) {
            const int index = static_cast<int>(selection - kSelectionKeys.begin());
            hops_.callDelegateOnMain([index](EventTapManagerDelegate& delegate, EventTapManager& manager) {
                delegate.eventTapManagerDidSelectSuggestionIndex(manager, index);
            });
            return true;
        }
    }
    if (keyCode == KeyCode::escape) [[unlikely]] {
        postOnMain(CaptureNotifications::escapePlaceholderPressed);
        hops_.callDelegateOnMain([](EventTapManagerDelegate& delegate, EventTapManager& manager) {
            delegate.eventTapManagerDidClearSuggestions(manager);
        });
    } else if (!control && !command) {
        queueKeystroke(event, frontmost);
    }

    if (retypeAfterDelete) [[unlikely]] {
        services_.eventPoster.post(EventTap::Location::hid, event);
        return true;
    }
    return false;
}

bool KeyDispatcher::dispatchAIPromptKey(const KeyEvent& event)
{
    switch (event.keyCode()) {
    case KeyCode::returnKey:
        postOnMain(CaptureNotifications::commitAIPrompt);
        return true;
    case KeyCode::deleteKey:
        postOnMain(CaptureNotifications::deleteAIPromptChar);
        return true;
    case KeyCode::escape:
        postOnMain(CaptureNotifications::cancelAIPrompt);
        return true;
    case KeyCode::command:
    case KeyCode::shift:
    case KeyCode::option:
    case KeyCode::control:
    case KeyCode::rightOption:
        return false;
    case KeyCode::leftArrow:
        postOnMain(CaptureNotifications::cycleAIActionLeft);
        return true;
    case KeyCode::rightArrow:
        postOnMain(CaptureNotifications::cycleAIActionRight);
        return true;
    default:
        break;
    }
    if (auto text = TypingContext::getUnicodeString(event); text && !text->empty()) {
        postOnMain(CaptureNotifications::appendAIPromptChar, UserInfo{{"text", std::move(*text)}});
    }
    return true;
}

void KeyDispatcher::toggleSuggestionMute(const std::string& bundleId)
{
    if (bundleId.empty()) {
        return;  // nothing in front to mute
    }
    const bool muted = mutedApplications_.toggle(bundleId);
    if (muted) {
        // What was typed so far must not keep suggestions on screen.
        typingContext_.clearContext(bundleId, false);
    }
    postOnMain(CaptureNotifications::togglePerAppMute, UserInfo{{"bundleId", bundleId}, {"muted", muted}});
    postOnMain(ShellNotifications::showHUDMessage,
               UserInfo{{"message", muted ? "Suggestions Disabled" : "Suggestions Enabled"}});
}

void KeyDispatcher::queueKeystroke(const KeyEvent& event, const Frontmost& frontmost)
{
    // The keystroke names its application without touching the record (no
    // reference count per key): the record handed over last is kept here,
    // and one replaced goes into the list behind the keystrokes that name it,
    // let go of once they are done.
    if (&frontmost != handedOverFrontmost_.get()) [[unlikely]] {
        handOverFrontmost();
    }
    // Into the list at once: the list keeps its room, so this allocates
    // nothing. Only the wake of a sleeping tap queue waits for the key to be
    // answered.
    typingContext_.handOverKeystroke(event, frontmost);
}

void KeyDispatcher::refreshFirewallAfterKey()
{
    hops_.afterEvent([&firewall = services_.privacyFirewall] { firewall.refreshIfStale(); });
}

void KeyDispatcher::handOverFrontmost()
{
    if (handedOverFrontmost_) {
        typingContext_.onTapQueue([kept = std::move(handedOverFrontmost_)] {});
    }
    handedOverFrontmost_ = frontmost_.shared();
}

void KeyDispatcher::postSyntheticKey(std::uint16_t keyCode)
{
    services_.eventPoster.post(EventTap::Location::hid,
                               KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, keyCode, true));
    services_.eventPoster.post(EventTap::Location::hid,
                               KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, keyCode, false));
}

void KeyDispatcher::postOnMain(std::string name, UserInfo userInfo)
{
    // Guarded like every other hop to the main thread: a key answered just
    // before the manager went posts nothing afterwards.
    hops_.onMain([&center = services_.notificationCenter, name = std::move(name),
                  userInfo = std::move(userInfo)]() mutable {
        center.post(std::move(name), nullptr, std::move(userInfo));
    });
}

void KeyDispatcher::loadShortcutPreferences()
{
    const auto flag = [this](const char* key, bool fallback) {
        const auto value = services_.defaults.objectForKey(key);
        const bool* stored = value ? value->get<bool>() : nullptr;
        return stored ? *stored : fallback;
    };
    EventFlags modifiers = 0;
    if (flag(CaptureDefaultsKeys::shortcutHasControl, true)) {
        modifiers |= KeyEventFlags::control;
    }
    if (flag(CaptureDefaultsKeys::shortcutHasOption, false)) {
        modifiers |= KeyEventFlags::alternate;
    }
    if (flag(CaptureDefaultsKeys::shortcutHasShift, false)) {
        modifiers |= KeyEventFlags::shift;
    }
    if (flag(CaptureDefaultsKeys::shortcutHasCommand, false)) {
        modifiers |= KeyEventFlags::command;
    }
    setShortcutModifiers(modifiers == 0 ? KeyEventFlags::control : modifiers);
}

void KeyDispatcher::setShortcutModifiers(EventFlags modifiers)
{
    shortcutModifiers_.store(modifiers & KeyEventFlags::modifiers, std::memory_order_relaxed);
}

}  // namespace qm
