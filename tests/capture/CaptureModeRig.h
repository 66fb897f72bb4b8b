#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "capture/CaptureRouterRig.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/workspace/SimPasteboard.h"
#include "records/CaptureHistoryStore.h"
#include "records/FallbackCaptureLogger.h"
#include "records/OpenLoopStore.h"
#include "support/ScopedEnvironment.h"
#include "targets/CalcTarget.h"
#include "targets/ClipboardTarget.h"
#include "targets/LocalNoteTarget.h"
#include "targets/PickerFilteringTarget.h"

namespace qm {

inline void PrintTo(const PickerOption& option, std::ostream* os)
{
    *os << "{" << option.id << ", " << option.displayName << "}";
}

}  // namespace qm

namespace qm::test {

// A gate a background call waits at until the test opens it. Open by default.
class TestGate {
public:
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
    void pass()
    {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.wait(lock, [this] { return open_; });
        --waiting_;
    }
    bool hasWaiter() const
    {
        std::lock_guard lock(mutex_);
        return waiting_ > 0;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    int waiting_ = 0;
};

// What a scripted target was sent, and how its sends end. Any thread.
class SendScript {
public:
    struct Sent {
        std::string text;
        std::optional<PickerOption> option;
        friend bool operator==(const Sent&, const Sent&) = default;
        friend void PrintTo(const Sent& sent, std::ostream* os)
        {
            *os << "{\"" << sent.text << "\", ";
            if (sent.option) {
                PrintTo(*sent.option, os);
            } else {
                *os << "none";
            }
            *os << "}";
        }
    };

    void failWith(std::exception_ptr failure)
    {
        std::lock_guard lock(mutex_);
        failure_ = std::move(failure);
    }
    std::vector<Sent> sent() const
    {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    void send(const std::string& text, const std::optional<PickerOption>& option)
    {
        gate.pass();
        std::exception_ptr failure;
        {
            std::lock_guard lock(mutex_);
            sent_.push_back({text, option});
            failure = failure_;
        }
        if (failure) {
            std::rethrow_exception(failure);
        }
    }

    TestGate gate;

private:
    mutable std::mutex mutex_;
    std::vector<Sent> sent_;
    std::exception_ptr failure_;
};

// A target that records its sends and fails them when told to.
class ScriptedTarget final : public CaptureTarget {
public:
    explicit ScriptedTarget(std::string command) : CaptureTarget(std::move(command), false) {}

    std::vector<PickerOption> pickerOptions(const CancellationToken&) override { return {}; }
    void send(const std::string& text, const std::optional<PickerOption>& option) override
    {
        script.send(text, option);
    }

    SendScript script;
};

// A picker target as the Slack one: rows loaded in the background (behind a
// gate), filtered by the typed text (rows whose name contains it, ignoring
// case, at most three), its cache reset when capture mode opens.
class ScriptedPickerTarget final : public PickerFilteringTarget {
public:
    explicit ScriptedPickerTarget(std::string command) : PickerFilteringTarget(std::move(command), true) {}

    void setRows(std::vector<PickerOption> rows)
    {
        std::lock_guard lock(mutex_);
        rows_ = std::move(rows);
    }
    int loads() const
    {
        std::lock_guard lock(mutex_);
        return loads_;
    }
    int resets() const
    {
        std::lock_guard lock(mutex_);
        return resets_;
    }

    std::vector<PickerOption> pickerOptions(const CancellationToken&) override
    {
        loadGate.pass();
        std::lock_guard lock(mutex_);
        ++loads_;
        return rows_;
    }
    void resetCache() override
    {
        std::lock_guard lock(mutex_);
        ++resets_;
    }
    std::vector<PickerOption> filteredOptions(const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        std::vector<PickerOption> found;
        for (const auto& row : rows_) {
            if (found.size() < 3 &&
                text::lowercased(row.displayName).find(text::lowercased(text)) != std::string::npos) {
                found.push_back(row);
            }
        }
        return found;
    }
    void send(const std::string& text, const std::optional<PickerOption>& option) override
    {
        script.send(text, option);
    }

    TestGate loadGate;
    SendScript script;

private:
    mutable std::mutex mutex_;
    std::vector<PickerOption> rows_;
    int loads_ = 0;
    int resets_ = 0;
};

// The app composed on the stand-in desktop with the real note, clipboard and
// calculator targets and scripted ones ("timer", "calendar", "boom", and
// "slack" with a picker), the real capture history on a rules database, the
// recovery log, the open loops and the landing confirmation, all in private
// folders, and the permission checks answered as the test says. A host field
// in the editor has the focus.
class CaptureModeRig : public CaptureRouterRig {
public:
    CaptureModeRig() : CaptureModeRig(Deferred{})
    {
        compose(options());
        focusField();
    }

    // For a rig that composes with its own options once its members exist.
    explicit CaptureModeRig(Deferred)
        : CaptureRouterRig(Deferred{}), documents("XDG_DOCUMENTS_DIR", (stage.support / "Documents").string())
    {
    }

    // The host field of the captures, in front.
    void focusField()
    {
        field = addField("buy milk ");
        field.focus();
    }
    // The app's background work uses the scripted targets and checks below.
    ~CaptureModeRig() override { destroyApp(); }

    // The rig's targets and permission checks.
    AppComposition::Options options()
    {
        AppComposition::Options options;
        options.makeTargets = [this](const StandardCaptureTargets::Services& services) {
            note = std::make_shared<LocalNoteTarget>(services.clock, services.landing);
            return CaptureTargetRegistry(
                {note, std::make_shared<ClipboardTarget>(services.pasteboard, services.landing), timer,
                 std::make_shared<CalcTarget>(services.pasteboard, services.landing), calendar, boom, pick});
        };
        options.ensureNotificationAuthorization = [this](std::function<void(std::exception_ptr)> answer) {
            ++notificationChecks;
            if (holdPermissionChecks) {
                heldNotificationAnswer = std::move(answer);
            } else {
                answer(notificationError);
            }
        };
        options.requestCalendarAccess = [this](std::function<void(bool)> answer) {
            ++calendarChecks;
            answer(calendarGranted);
        };
        return options;
    }

    OpenLoopStore& openLoops() { return app().records().openLoops(); }

    // Types the trigger for `command` in the focused field and waits for the overlay.
    void openCapture(const std::string& command)
    {
        const std::size_t before = enteredTargets().size();
        desktop.keyboard().type("//" + command);
        desktop.keyboard().press("space");
        ASSERT_TRUE(waitForCaptureMode(before + 1));
    }

    // Keys for the open overlay.
    void typeInOverlay(std::string_view typed)
    {
        desktop.keyboard().type(typed);
        loop.runUntilIdle();
    }
    void pressInOverlay(std::string_view chord)
    {
        desktop.keyboard().press(chord);
        loop.runUntilIdle();
    }

    // Every task queued on the background queue so far has finished (the two
    // threads are both taken by the barrier), and what they reported to the
    // main loop has run. Nothing queued may be waiting at a closed gate.
    void drainBackground()
    {
        std::latch started(2);
        std::latch finished(2);
        for (int i = 0; i < 2; ++i) {
            app().backgroundQueue().async([&] {
                started.arrive_and_wait();
                finished.count_down();
            });
        }
        finished.wait();
        loop.runUntilIdle();
    }

    // Pumps the main loop until `done` holds (five seconds of real time at
    // most); it may also wait for other threads' work that posts nothing.
    bool waitFor(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            loop.runUntilIdle();
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return done();
    }

    std::vector<CaptureHistoryEntry> historyEntries() { return app().history().recentEntries(); }
    std::vector<FallbackCaptureLogger::Entry> recoveryEntries()
    {
        return FallbackCaptureLogger::readEntries(app().recoveryLog().logFileURL());
    }
    std::filesystem::path noteFile() const
    {
        return stage.support / "Documents" / "Quillmarker" / "Quick Capture.md";
    }

    ScopedEnvironment documents;
    SimPasteboard& pasteboard = stage.platform.pasteboard;

    std::shared_ptr<LocalNoteTarget> note;
    std::shared_ptr<ScriptedTarget> timer = std::make_shared<ScriptedTarget>("timer");
    std::shared_ptr<ScriptedTarget> calendar = std::make_shared<ScriptedTarget>("calendar");
    std::shared_ptr<ScriptedTarget> boom = std::make_shared<ScriptedTarget>("boom");
    std::shared_ptr<ScriptedPickerTarget> pick = std::make_shared<ScriptedPickerTarget>("slack");

    // The permission checks (main thread).
    std::exception_ptr notificationError;
    bool calendarGranted = true;
    bool holdPermissionChecks = false;
    std::function<void(std::exception_ptr)> heldNotificationAnswer;
    int notificationChecks = 0;
    int calendarChecks = 0;

    SimTextField field;
};

}  // namespace qm::test
