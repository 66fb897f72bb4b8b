#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AppComposition.h"
#include "capture/CaptureNotifications.h"
#include "capture/CaptureRouterAccessibilityFilter.h"
#include "capture/CaptureRouterController.h"
#include "capture/sim/SimCaptureOverlayPanel.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "support/StandInApp.h"

namespace qm::test {

// Posts through the stand-in desktop, but only while the gate is open: a
// closed gate holds the trigger removal on its queue, as a host that never
// answers would.
class GatedEventPoster final : public SyntheticEventPoster {
public:
    explicit GatedEventPoster(SyntheticEventPoster& inner) : inner_(inner) {}

    void close()
    {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    // True once a post is waiting at the closed gate.
    bool hasWaiter() const { return waiting_.load(); }

    void post(EventTap::Location location, KeyEvent event) override
    {
        {
            std::unique_lock lock(mutex_);
            waiting_ = !open_;
            changed_.wait(lock, [this] { return open_; });
            waiting_ = false;
        }
        inner_.post(location, event);
    }

private:
    SyntheticEventPoster& inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    std::atomic<bool> waiting_{false};
};

// A capture router on the stand-in desktop, composed as the app composes it,
// with an editor application in front and a keyboard tap that treats keys as
// the event tap does around the router: the program's own synthetic keys pass,
// keys pass while capture mode is open, every key-down is swallowed during a
// transition, and a key the router accepts as a trigger is swallowed. The
// capture overlay is the stand-in panel, which gets the keys that reach this
// program; Accessibility goes through a filter and synthetic keys through a
// gate that the tests control.
class CaptureRouterRig : public ::testing::Test {
protected:
    static constexpr const char* kEditorBundle = "com.example.editor";

    struct HudMessage {
        std::string message;
        std::optional<std::string> systemImage;
        friend bool operator==(const HudMessage&, const HudMessage&) = default;
    };

    CaptureRouterRig() : CaptureRouterRig(Deferred{}) { compose({}); }

    // For a rig that composes with its own options once its members exist.
    struct Deferred {};
    explicit CaptureRouterRig(Deferred)
        : accessibility(std::make_shared<CaptureRouterAccessibilityFilter>(desktop.accessibility())),
          poster(desktop.syntheticEvents()), editor(desktop.addApplication(kEditorBundle, "Editor")),
          window(editor.addWindow("Draft", Rect(0, 25, 900, 700)))
    {
        for (const char* name :
             {CaptureNotifications::hideSuggestionsOverlay, CaptureNotifications::presentCaptureFailure}) {
            center.addObserver(name, nullptr, [this](const Notification& notification) {
                std::lock_guard lock(mutex);
                posted.push_back(notification);
            });
        }
        tap = desktop.eventTaps().createTap(
            EventTap::Location::session, EventTap::Placement::headInsert, EventTap::Options::defaultTap,
            eventMaskBit(KeyEventType::keyDown), [this](const KeyEvent& event) -> std::optional<KeyEvent> {
                CaptureRouterController* current = routerInUse.load();
                if (event.type() != KeyEventType::keyDown || event.isOurs() || current == nullptr ||
                    current->isCaptureModeActiveThreadSafe()) {
                    return event;
                }
                if (current->isCaptureTransitionThreadSafe() || current->handleKeyEvent(event)) {
                    return std::nullopt;
                }
                return event;
            });
        editor.activate();
        loop.runUntilIdle();
    }

    ~CaptureRouterRig() override
    {
        destroyApp();
        tap.reset();
    }

    // Takes the app down (a derived rig does it first, while its members exist).
    void destroyApp()
    {
        poster.open();
        desktop.ownApplication().setKeyHandler(nullptr);
        routerInUse.store(nullptr);
        router = nullptr;
        // Everything the background work touches belongs to the app: it finishes there.
        stage.app.reset();
        setPanel(nullptr);
    }

    // Composes the app (again) with `options` on top of the rig's: the
    // Accessibility filter, the gated poster, the stand-in overlay, the HUD
    // recorded, and a background queue of two threads.
    void compose(AppComposition::Options options)
    {
        destroyApp();
        PlatformBundle bundle = stage.bundle();
        bundle.accessibility = *accessibility;
        bundle.syntheticEvents = poster;
        options.showHUD = [this](const std::string& message, const std::optional<std::string>& image) {
            hud.push_back({message, image});
        };
        options.backgroundThreads = 2;
        options.makeOverlayPanel = [this](CaptureRouterController& controller) {
            auto made = std::make_shared<SimCaptureOverlayPanel>(loop, controller, center);
            setPanel(made);
            return made;
        };
        // The overlay is one of this program's own editable windows.
        options.isOwnEditableWindowKey = [this] {
            const auto shown = overlay();
            return shown && shown->isShown();
        };
        router = &stage.compose(std::move(bundle), std::move(options)).captureRouter();
        desktop.ownApplication().setKeyHandler([this](const KeyEvent& event) {
            if (const auto shown = overlay()) {
                shown->keyDown(event);
            }
        });
        routerInUse.store(router);
    }

    // Composes the app again with only these targets.
    void composeWithTargets(CaptureTargetRegistry::Targets targets)
    {
        AppComposition::Options options;
        options.makeTargets = [targets](const StandardCaptureTargets::Services&) {
            return CaptureTargetRegistry(targets);
        };
        compose(std::move(options));
    }

    AppComposition& app() { return *stage.app; }

    SimTextField addField(const std::string& value = {}, double width = 400,
                          SimTextKind kind = SimTextKind::singleLine, double y = 100)
    {
        SimTextFieldSpec spec;
        spec.kind = kind;
        spec.value = value;
        spec.frame = Rect(100, y, width, kind == SimTextKind::multiLine ? 80 : 22);
        return window.addTextField(spec);
    }

    // Waits (pumping the main loop) until capture mode opened `count` times.
    bool waitForCaptureMode(std::size_t count = 1)
    {
        return loop.runUntil([&] { return enteredTargets().size() >= count; });
    }

    // The stand-in overlay, once the first capture made it. Any thread.
    std::shared_ptr<SimCaptureOverlayPanel> overlay() const
    {
        std::lock_guard lock(mutex);
        return panel;
    }

    // The command word of every capture mode opened, in order.
    std::vector<std::string> enteredTargets() const
    {
        std::vector<std::string> targets;
        if (const auto shown = overlay()) {
            for (const auto& call : shown->calls()) {
                if (call.kind == SimCaptureOverlayPanel::Call::Kind::update) {
                    targets.push_back(call.targetName);
                }
            }
        }
        return targets;
    }

    std::vector<Notification> notifications(const std::string& name)
    {
        std::lock_guard lock(mutex);
        std::vector<Notification> found;
        std::copy_if(posted.begin(), posted.end(), std::back_inserter(found),
                     [&](const Notification& n) { return n.name == name; });
        return found;
    }

    // Delete keys this process posted that reached an application.
    std::size_t syntheticDeleteKeyDowns()
    {
        std::size_t count = 0;
        for (const auto& delivery : desktop.syntheticEvents().deliveries()) {
            if (delivery.event.isOurs() && delivery.event.keyCode() == KeyCode::deleteKey &&
                delivery.event.type() == KeyEventType::keyDown) {
                ++count;
            }
        }
        return count;
    }

    StandInApp stage;
    SimClock& clock = stage.platform.clock;
    SimMainLoop& loop = stage.platform.loop;
    StandInDesktop& desktop = stage.platform.desktop;
    UserDefaults& defaults = stage.platform.defaults;
    NotificationCenter& center = stage.platform.notificationCenter;
    std::shared_ptr<CaptureRouterAccessibilityFilter> accessibility;
    GatedEventPoster poster;
    SimApplication editor;
    SimElement window;

    void setPanel(std::shared_ptr<SimCaptureOverlayPanel> made)
    {
        std::lock_guard lock(mutex);
        panel = std::move(made);
    }

    mutable std::mutex mutex;
    std::vector<Notification> posted;
    std::vector<HudMessage> hud;

    std::shared_ptr<SimCaptureOverlayPanel> panel;
    CaptureRouterController* router = nullptr;
    std::atomic<CaptureRouterController*> routerInUse{nullptr};
    std::shared_ptr<EventTap> tap;
};

}  // namespace qm::test
