#include "platform/workspace/Pasteboard.h"

#include <atomic>
#include <stdexcept>

namespace qm {

namespace {
std::atomic<Pasteboard*> installedGeneral{nullptr};
}

Pasteboard& Pasteboard::general()
{
    Pasteboard* pasteboard = installedGeneral.load();
    if (!pasteboard) {
        throw std::logic_error("Pasteboard::general(): no pasteboard was installed");
    }
    return *pasteboard;
}

void Pasteboard::setGeneral(Pasteboard* pasteboard)
{
    installedGeneral.store(pasteboard);
}

}  // namespace qm
