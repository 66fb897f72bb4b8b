#include "platform/workspace/Alert.h"

#include "platform/workspace/AlertPresenter.h"

namespace qm {

Alert::ModalResponse Alert::runModal() const
{
    if (buttons.empty()) {
        Alert shown = *this;
        shown.addButton("OK");
        return AlertPresenter::shared().runModal(shown);
    }
    return AlertPresenter::shared().runModal(*this);
}

}  // namespace qm
