#include <filesystem>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "base/FileError.h"
#include "base/Log.h"
#include "base/Text.h"
#include "capture/CaptureFailureNotice.h"
#include "capture/CaptureOverlayPanel.h"
#include "capture/CaptureRouterController.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/BackgroundTask.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/runtime/MainLoop.h"
#include "platform/workspace/Workspace.h"
#include "records/CaptureHistoryStore.h"
#include "records/FallbackCaptureLogger.h"
#include "targets/PickerFilteringTarget.h"

// The end of a capture: commit (permission check, exit, send, record, and on
// failure the recovery log and the alert), cancel, and the one teardown both use.
// Every step runs on the main thread; the send and the history record run on
// the background queue and report back through the main loop.

namespace qm {

namespace {

constexpr const char* kCalendarPermissionDenied =
    "Calendar access was denied. Grant access in System Settings → Privacy & Security → Calendars.";
// What the user reads when a target failed with something that is not an error of ours.
constexpr const char* kUnknownFailure = "The capture did not complete.";

}  // namespace

void CaptureRouterController::commitCapture()
{
    if (!currentTarget_) {
        return;
    }
    if (dynamic_cast<PickerFilteringTarget*>(currentTarget_.get()) && !isTargetConfirmed_) {
        // Return in the picker confirms the highlighted row; nothing is sent.
        confirmSelectedTarget();
        return;
    }
    const std::string command = currentTarget_->commandName();
    // The target is taken now, so that a second Return (key repeat, a double
    // press) before the permission check answers finds nothing to send.
    CommitRequest request{
        .target = std::move(currentTarget_),
        .text = messageInput_,
        .option = confirmedTarget_ ? confirmedTarget_ : selectedOption_,
        .needsNotificationAuthorization = command == "timer" || command == "alarm",
        .needsCalendarAccess = command == "calendar",
        .session = captureSession_,
    };
    currentTarget_.reset();
    // Returns at once: even a check that answers at once reports through the main loop.
    mainLoop_.post(alive_.guard([this, request = std::move(request)]() mutable {
        checkNotificationAuthorization(std::move(request));
    }));
}

void CaptureRouterController::checkNotificationAuthorization(CommitRequest request)
{
    if (!request.needsNotificationAuthorization || !services_.ensureNotificationAuthorization) {
        checkCalendarAccess(std::move(request));
        return;
    }
    services_.ensureNotificationAuthorization(
        [this, watch = alive_.watch(), request](std::exception_ptr error) mutable {
            mainLoop_.post([this, watch, request = std::move(request), error]() mutable {
                if (!watch) {
                    return;
                }
                if (!error) {
                    checkCalendarAccess(std::move(request));
                    return;
                }
                try {
                    std::rethrow_exception(error);
                } catch (const std::exception& failure) {
                    failCommit(request, failure);
                } catch (...) {
                    failCommit(request, std::runtime_error(kUnknownFailure));
                }
            });
        });
}

void CaptureRouterController::checkCalendarAccess(CommitRequest request)
{
    if (!request.needsCalendarAccess) {
        sendCapture(std::move(request));
        return;
    }
    auto answer = [this, watch = alive_.watch(), request](bool granted) mutable {
        mainLoop_.post([this, watch, request = std::move(request), granted]() mutable {
            if (!watch) {
                return;
            }
            if (granted) {
                sendCapture(std::move(request));
            } else {
                failCommit(request, std::runtime_error(kCalendarPermissionDenied));
            }
        });
    };
    services_.requestCalendarAccess(std::move(answer));
}

void CaptureRouterController::sendCapture(CommitRequest request)
{
    // The overlay fades out and the host comes back while the target works. A
    // cancel during the permission check does not stop the send: this ends
    // capture mode once more, unless the user has opened another capture since.
    exitCaptureModeOf(request.session);
    auto target = request.target;
    auto text = request.text;
    auto option = request.option;
    BackgroundTask::run(
        backgroundQueue(), mainLoop_,
        [target, text, option](const CancellationToken&) -> std::exception_ptr {
            try {
                target->send(text, option);
                return nullptr;
            } catch (...) {
                return std::current_exception();
            }
        },
        alive_.guard(
            [this, request = std::move(request)](std::exception_ptr error) { finishSend(request, error); }));
}

void CaptureRouterController::finishSend(const CommitRequest& request, const std::exception_ptr& error)
{
    if (!error) {
        Log::log(fmt::format("✅ CaptureRouterController: Successfully sent capture to '{}'",
                             request.target->commandName()));
        recordAttempt(request, true);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::filesystem::filesystem_error& failure) {
        // The library's own wording ("filesystem error: ...") is not for the
        // user: the path and the cause, told in ours.
        failCommit(request, std::runtime_error(FileError::sentence(failure)));
    } catch (const std::exception& failure) {
        failCommit(request, failure);
    } catch (...) {
        failCommit(request, std::runtime_error(kUnknownFailure));
    }
}

void CaptureRouterController::failCommit(const CommitRequest& request, const std::exception& error)
{
    if (isCaptureModeActive_) {
        // A permission check failed before capture mode ended. A send fails
        // after it ended: what is open now is a newer capture, and stays.
        exitCaptureModeOf(request.session);
    }
    const std::string& command = request.target->commandName();
    const std::string detail = error.what();
    Log::log(fmt::format("❌ CaptureRouterController: Failed to send capture to '{}': {}", command, detail));
    recordAttempt(request, false);
    const bool saved = services_.recoveryLog.saveFallback(request.text, command, error);
    CaptureFailureNotice::failedSend(command, detail, saved, text::trimmed(request.text).empty())
        .post(notificationCenter_);
}

void CaptureRouterController::recordAttempt(const CommitRequest& request, bool success)
{
    CaptureHistoryStore* history = &services_.history;
    backgroundQueue().async([history, command = request.target->commandName(), text = request.text, success] {
        history->record(command, text, success);
    });
}

void CaptureRouterController::cancelCapture()
{
    {
        std::lock_guard lock(stateLock_);
        captureTransitionCancelledGeneration_ = captureTransitionGeneration_;
    }
    exitCaptureMode();
    Log::log("⎋ CaptureRouterController: Canceled capture mode");
}

void CaptureRouterController::exitCaptureMode()
{
    if (mainLoop_.isMainThread()) {
        runCaptureModeExit();
        return;
    }
    mainLoop_.post(alive_.guard([this] { runCaptureModeExit(); }));
}

void CaptureRouterController::exitCaptureModeOf(std::uint64_t session)
{
    if (session == captureSession_) {
        runCaptureModeExit();
    }
}

void CaptureRouterController::runCaptureModeExit()
{
    if (activePickerOptionsLoadTask_) {
        activePickerOptionsLoadTask_->cancel();
        activePickerOptionsLoadTask_.reset();
    }
    isCaptureModeActive_ = false;
    resetPassiveTriggerState(true);
    currentTarget_.reset();
    messageInput_.clear();
    isTargetConfirmed_ = false;
    confirmedTarget_.reset();
    calcLivePreviewText_.reset();
    if (overlayPanel_) {
        overlayPanel_->hide();
    }
    if (previouslyActiveApp_) {
        workspace_.activate(previouslyActiveApp_->processIdentifier);
        previouslyActiveApp_.reset();
    }
    publishCaptureState();
}

}  // namespace qm
