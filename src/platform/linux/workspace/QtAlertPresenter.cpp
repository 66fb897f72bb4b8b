#include "platform/linux/workspace/QtAlertPresenter.h"

#include <stdexcept>
#include <vector>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "platform/runtime/MainLoop.h"

namespace qm {

namespace {

QMessageBox::Icon iconFor(Alert::Style style)
{
    switch (style) {
    case Alert::Style::critical:
        return QMessageBox::Critical;
    case Alert::Style::informational:
        return QMessageBox::Information;
    case Alert::Style::warning:
        break;
    }
    return QMessageBox::Warning;
}

}  // namespace

Alert::ModalResponse QtAlertPresenter::runModal(const Alert& alert)
{
    if (!mainLoop_.isMainThread()) {
        throw std::logic_error("QtAlertPresenter: alerts are shown on the main thread only");
    }
    QMessageBox box;
    box.setObjectName(objectName);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(iconFor(alert.alertStyle));
    box.setWindowTitle(QStringLiteral("Quillmarker"));
    box.setText(QString::fromStdString(alert.messageText));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    // The box sets only its main text's format; the explanation's label guesses.
    for (QLabel* label : box.findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
    }
    std::vector<QPushButton*> buttons;
    const std::vector<std::string> titles =
        alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
    for (const std::string& title : titles) {
        // Every button gets the same role so that Qt keeps the order they were added in.
        buttons.push_back(box.addButton(QString::fromStdString(title), QMessageBox::ActionRole));
    }
    box.setDefaultButton(buttons.front());
    box.setEscapeButton(buttons.back());
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    for (std::size_t index = 0; index < buttons.size(); ++index) {
        if (buttons[index] == clicked) {
            return Alert::buttonReturn(index);
        }
    }
    return Alert::buttonReturn(buttons.size() - 1);
}

}  // namespace qm
