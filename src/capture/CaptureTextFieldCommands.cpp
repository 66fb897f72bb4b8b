#include "capture/CaptureTextFieldCommands.h"

#include <algorithm>

#include "capture/CaptureRouterController.h"
#include "platform/notifications/NotificationCenter.h"
#include "targets/PickerFilteringTarget.h"

namespace qm {

namespace {
constexpr const char* kUpdateCapturePanelSize = "UpdateCapturePanelSize";
}

CaptureTextFieldCommands::CaptureTextFieldCommands(CaptureRouterController& router,
                                                   NotificationCenter& center, std::function<void()> onCommit,
                                                   std::function<void()> onCancel)
    : router_(router), center_(center), onCommit_(std::move(onCommit)), onCancel_(std::move(onCancel))
{
}

bool CaptureTextFieldCommands::perform(Command command, bool shiftHeld)
{
    if (dynamic_cast<PickerFilteringTarget*>(router_.currentTarget().get())) {
        return performForPickerFilteringTarget(command);
    }
    return performForOtherTarget(command, shiftHeld);
}

bool CaptureTextFieldCommands::performForPickerFilteringTarget(Command command)
{
    const bool confirmed = router_.isTargetConfirmed();
    switch (command) {
    case Command::insertNewline:
        if (confirmed) {
            if (onCommit_) {
                onCommit_();
            }
        } else {
            confirmSelection();
        }
        return true;
    case Command::cancelOperation:
        if (confirmed) {
            returnToPicker();
        } else if (onCancel_) {
            onCancel_();
        }
        return true;
    case Command::insertTab:
        if (confirmed) {
            return false;
        }
        confirmSelection();
        return true;
    case Command::insertBacktab:
        if (!confirmed) {
            return false;
        }
        returnToPicker();
        return true;
    case Command::moveUp:
    case Command::moveDown:
        if (confirmed) {
            return false;
        }
        moveSelection(command == Command::moveDown ? 1 : -1);
        return true;
    case Command::other:
        break;
    }
    return false;
}

bool CaptureTextFieldCommands::performForOtherTarget(Command command, bool shiftHeld)
{
    const auto& target = router_.currentTarget();
    const bool navigates = target && target->needsPicker() && !router_.pickerOptions().empty();
    switch (command) {
    case Command::insertNewline:
        if (shiftHeld) {
            return false;
        }
        if (onCommit_) {
            onCommit_();
        }
        return true;
    case Command::cancelOperation:
        if (onCancel_) {
            onCancel_();
        }
        return true;
    case Command::insertTab:
    case Command::moveDown:
        if (!navigates) {
            return false;
        }
        moveSelection(1);
        return true;
    case Command::insertBacktab:
    case Command::moveUp:
        if (!navigates) {
            return false;
        }
        moveSelection(-1);
        return true;
    case Command::other:
        break;
    }
    return false;
}

void CaptureTextFieldCommands::moveSelection(int step)
{
    const auto& options = router_.pickerOptions();
    if (options.empty()) {
        return;
    }
    const auto& selected = router_.selectedOption();
    const auto found = selected ? std::find(options.begin(), options.end(), *selected) : options.end();
    if (found == options.end()) {
        router_.setSelectedOption(options.front());
        return;
    }
    const auto count = static_cast<std::ptrdiff_t>(options.size());
    const std::ptrdiff_t index = ((found - options.begin()) + step + count) % count;
    router_.setSelectedOption(options[static_cast<std::size_t>(index)]);
}

void CaptureTextFieldCommands::confirmSelection()
{
    router_.confirmSelectedTarget();
    center_.post(kUpdateCapturePanelSize);
}

void CaptureTextFieldCommands::returnToPicker()
{
    router_.returnToPicker();
    center_.post(kUpdateCapturePanelSize);
}

}  // namespace qm
