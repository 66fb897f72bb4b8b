#include "platform/workspace/AlertPresenter.h"

#include <atomic>
#include <stdexcept>

namespace qm {

namespace {
std::atomic<AlertPresenter*> installedPresenter{nullptr};
}

AlertPresenter& AlertPresenter::shared()
{
    AlertPresenter* presenter = installedPresenter.load();
    if (!presenter) {
        throw std::logic_error("AlertPresenter::shared(): no alert presenter was installed");
    }
    return *presenter;
}

void AlertPresenter::setShared(AlertPresenter* presenter)
{
    installedPresenter.store(presenter);
}

}  // namespace qm
