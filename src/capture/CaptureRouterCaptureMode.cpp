#include <algorithm>
#include <string>

#include <fmt/format.h>

#include "base/Log.h"
#include "capture/CaptureFailureNotice.h"
#include "capture/CaptureNotifications.h"
#include "capture/CaptureOverlayPanel.h"
#include "capture/CaptureRouterController.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/BackgroundTask.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/runtime/MainLoop.h"
#include "platform/workspace/Workspace.h"
#include "targets/CalcExpressionEvaluator.h"
#include "targets/PickerFilteringTarget.h"

// Capture mode: the state of one open capture, the overlay that shows it, the
// picker load, and the reactions to edits of the overlay's message field.

namespace qm {

namespace {

constexpr const char* kFailureRowId = "error";
// Warning sign, variation selector 16, space: how a target's failure row begins.
constexpr std::string_view kFailureRowPrefix = "\u26A0\uFE0F ";

std::string withoutFailurePrefix(std::string text)
{
    for (auto at = text.find(kFailureRowPrefix); at != std::string::npos;
         at = text.find(kFailureRowPrefix, at)) {
        text.erase(at, kFailureRowPrefix.size());
    }
    return text;
}

}  // namespace

void CaptureRouterController::enterCaptureModeUI(const std::shared_ptr<CaptureTarget>& target)
{
    if (mainLoop_.isMainThread()) {
        runCaptureModeEntry(target);
        return;
    }
    mainLoop_.post(alive_.guard([this, target] { runCaptureModeEntry(target); }));
}

void CaptureRouterController::runCaptureModeEntry(const std::shared_ptr<CaptureTarget>& target)
{
    if (!target) {
        return;
    }
    currentTarget_ = target;
    messageInput_.clear();
    isCaptureModeActive_ = true;
    ++captureSession_;
    {
        std::lock_guard lock(stateLock_);
        captureModeActive_ = true;
    }
    isTargetConfirmed_ = false;
    confirmedTarget_.reset();
    calcLivePreviewText_.reset();
    if (auto* filtering = dynamic_cast<PickerFilteringTarget*>(target.get())) {
        filtering->resetCache();
    }
    pickerOptions_.clear();
    selectedOption_.reset();
    if (activePickerOptionsLoadTask_) {
        activePickerOptionsLoadTask_->cancel();
        activePickerOptionsLoadTask_.reset();
    }
    if (target->needsPicker()) {
        startPickerLoad(target);
    }

    hostCaptureContext_ = hostFocus_.snapshot();
    // Taken before this program activates itself below.
    previouslyActiveApp_ = workspace_.frontmostApplication();
    const Rect caret = caretBounds_.resolve();
    if (!overlayPanel_ && services_.makeOverlayPanel) {
        overlayPanel_ = services_.makeOverlayPanel();
    }
    if (overlayPanel_) {
        overlayPanel_->update(target->commandName());
        overlayPanel_->show(caret);
    }
    workspace_.activate(workspace_.currentApplication().processIdentifier);
    Log::log(fmt::format("🚀 CaptureRouterController: Entered Capture Mode for target '{}'",
                         target->commandName()));
    publishCaptureState();
}

void CaptureRouterController::startPickerLoad(const std::shared_ptr<CaptureTarget>& target)
{
    activePickerOptionsLoadTask_ = BackgroundTask::run(
        backgroundQueue(), mainLoop_,
        [target](const CancellationToken& cancellation) { return target->pickerOptions(cancellation); },
        alive_.guard([this, target](std::vector<PickerOption> options) {
            applyPickerOptions(target, std::move(options));
        }));
}

void CaptureRouterController::applyPickerOptions(const std::shared_ptr<CaptureTarget>& target,
                                                 std::vector<PickerOption> options)
{
    // A load cancelled by the end of its capture never reports (BackgroundTask).
    if (options.size() == 1 && options.front().id == kFailureRowId) {
        const std::string detail = withoutFailurePrefix(options.front().displayName);
        runCaptureModeExit();
        CaptureFailureNotice::guided(target->commandName(), detail, /*saved=*/false)
            .post(notificationCenter_);
        return;
    }
    pickerOptions_ = std::move(options);
    selectedOption_ = pickerOptions_.empty() ? std::nullopt : std::optional(pickerOptions_.front());
    publishCaptureState();
}

void CaptureRouterController::handleMessageInputChange(const std::string& text)
{
    if (currentTarget_ && currentTarget_->commandName() == "calc") {
        updateCalcLivePreview(text);
    }
    auto* filtering = dynamic_cast<PickerFilteringTarget*>(currentTarget_.get());
    if (filtering && filtering->needsPicker() && !isTargetConfirmed_) {
        pickerOptions_ = filtering->filteredOptions(text);
        selectedOption_ = pickerOptions_.empty() ? std::nullopt : std::optional(pickerOptions_.front());
    }
    publishCaptureState();
}

void CaptureRouterController::updateCalcLivePreview(const std::string& text)
{
    calcLivePreviewText_ = CalcExpressionEvaluator::previewEvaluate(text);
    notificationCenter_.post(CaptureNotifications::updateCapturePanelSize);
}

void CaptureRouterController::confirmSelectedTarget()
{
    if (!dynamic_cast<PickerFilteringTarget*>(currentTarget_.get()) || !selectedOption_) {
        return;
    }
    confirmedTarget_ = selectedOption_;
    isTargetConfirmed_ = true;
    messageInput_.clear();
    pickerOptions_.clear();
    selectedOption_.reset();
    publishCaptureState();
}

void CaptureRouterController::returnToPicker()
{
    if (!dynamic_cast<PickerFilteringTarget*>(currentTarget_.get()) || !isTargetConfirmed_) {
        return;
    }
    isTargetConfirmed_ = false;
    confirmedTarget_.reset();
    messageInput_.clear();
    if (activePickerOptionsLoadTask_) {
        activePickerOptionsLoadTask_->cancel();
        activePickerOptionsLoadTask_.reset();
    }
    startPickerLoad(currentTarget_);
    publishCaptureState();
}

void CaptureRouterController::setMessageInput(std::string text)
{
    messageInput_ = std::move(text);
    publishCaptureState();
}

void CaptureRouterController::setSelectedOption(std::optional<PickerOption> option)
{
    selectedOption_ = std::move(option);
    publishCaptureState();
}

CaptureOverlayState CaptureRouterController::captureState() const
{
    return CaptureOverlayState{
        .isCaptureModeActive = isCaptureModeActive_,
        .commandName = currentTarget_ ? currentTarget_->commandName() : std::string(),
        .targetNeedsPicker = currentTarget_ && currentTarget_->needsPicker(),
        .messageInput = messageInput_,
        .pickerOptions = pickerOptions_,
        .selectedOption = selectedOption_,
        .isTargetConfirmed = isTargetConfirmed_,
        .confirmedTarget = confirmedTarget_,
        .calcLivePreviewText = calcLivePreviewText_,
    };
}

CaptureRouterController::CaptureStateObserverId
CaptureRouterController::addCaptureStateObserver(std::function<void()> observer)
{
    const CaptureStateObserverId id = nextStateObserverId_++;
    stateObservers_.emplace_back(id, std::make_shared<std::function<void()>>(std::move(observer)));
    return id;
}

void CaptureRouterController::removeCaptureStateObserver(CaptureStateObserverId id)
{
    std::erase_if(stateObservers_, [id](const auto& entry) { return entry.first == id; });
}

void CaptureRouterController::publishCaptureState()
{
    // A copy: observers may add or remove observers while they run.
    const auto observers = stateObservers_;
    for (const auto& [id, observer] : observers) {
        const bool stillObserving = std::any_of(stateObservers_.begin(), stateObservers_.end(),
                                                [id = id](const auto& entry) { return entry.first == id; });
        if (stillObserving && *observer) {
            (*observer)();
        }
    }
}

ConcurrentQueue& CaptureRouterController::backgroundQueue() const
{
    return services_.backgroundQueue;
}

}  // namespace qm
