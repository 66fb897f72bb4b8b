#include "shell/views/EditingActionSender.h"

#include <QMetaMethod>
#include <QMetaObject>
#include <QWidget>

namespace qm {

namespace {

const char* slotName(EditingAction action)
{
    switch (action) {
    case EditingAction::copy:
        return "copy()";
    case EditingAction::paste:
        return "paste()";
    case EditingAction::cut:
        return "cut()";
    case EditingAction::selectAll:
        return "selectAll()";
    case EditingAction::undo:
        return "undo()";
    case EditingAction::redo:
        return "redo()";
    }
    return "";
}

}  // namespace

bool EditingActionSender::send(EditingAction action, QWidget* firstResponder)
{
    const QByteArray signature = QMetaObject::normalizedSignature(slotName(action));
    for (QWidget* widget = firstResponder; widget != nullptr; widget = widget->parentWidget()) {
        const QMetaObject* meta = widget->metaObject();
        const int index = meta->indexOfMethod(signature.constData());
        if (index >= 0) {
            return meta->method(index).invoke(widget, Qt::DirectConnection);
        }
    }
    return false;
}

}  // namespace qm
