#include "platform/workspace/Alert.h"

#include "platform/workspace/AlertPresenter.h"

namespace qm {

Alert::ModalResponse Alert::runModal(AlertPresenter& presenter) const
{
    if (buttons.empty()) {
        Alert shown = *this;
        shown.addButton("OK");
        return presenter.runModal(shown);
    }
    return presenter.runModal(*this);
}

}  // namespace qm
