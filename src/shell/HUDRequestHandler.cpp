#include "shell/HUDRequestHandler.h"

#include <stdexcept>

#include <fmt/format.h>

#include "base/Log.h"
#include "platform/runtime/MainLoop.h"
#include "shell/ShellNotifications.h"

namespace qm {

namespace {

std::string printable(std::string text)
{
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

HUDRequestHandler::HUDRequestHandler(Services services, std::function<bool()> isQuietWindowActive,
                                     ShowHUD show)
    : services_(services), isQuietWindowActive_(std::move(isQuietWindowActive)), show_(std::move(show))
{
    if (!show_) {
        throw std::invalid_argument("HUDRequestHandler: no HUD to show messages on");
    }
    observer_ = services_.notificationCenter.addObserver(
        ShellNotifications::showHUDMessage, nullptr, [this](const Notification& notification) {
            onMainThread([this, userInfo = notification.userInfo] { showRequested(userInfo); });
        });
    distributedObserver_ = services_.distributedNotificationCenter.addObserver(
        ShellNotifications::distributedHUDShow, std::nullopt,
        [this](const DistributedNotificationCenter::Notification& notification) {
            if (notification.object) {
                onMainThread([this, message = *notification.object] { showFromAnotherProcess(message); });
            }
        });
}

HUDRequestHandler::~HUDRequestHandler()
{
    services_.distributedNotificationCenter.removeObserver(distributedObserver_);
    services_.notificationCenter.removeObserver(observer_);
}

void HUDRequestHandler::onMainThread(std::function<void()> work)
{
    if (services_.mainLoop.isMainThread()) {
        work();
    } else {
        services_.mainLoop.post(alive_.guard(std::move(work)));
    }
}

void HUDRequestHandler::showRequested(const UserInfo& userInfo)
{
    if (isQuietWindowActive_ && isQuietWindowActive_()) {
        return;
    }
    const auto message = userInfo.get<std::string>("message");
    if (!message) {
        return;
    }
    show_(*message, userInfo.get<std::string>("systemImage"));
}

void HUDRequestHandler::showFromAnotherProcess(const std::string& message)
{
    Log::log(fmt::format("💬 HUDRequestHandler: message from another process: {}", printable(message)));
    show_(message, std::nullopt);
}

}  // namespace qm
