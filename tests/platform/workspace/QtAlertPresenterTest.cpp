#include "platform/linux/workspace/QtAlertPresenter.h"

#include <thread>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/linux/runtime/QtMainLoop.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

// Presses the button titled `title` of the alert once it is on screen, and
// keeps what the box showed.
struct Answerer {
    void pressWhenShown(const QString& title)
    {
        QTimer::singleShot(20, [this, title] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                pressWhenShown(title);
                return;
            }
            for (QAbstractButton* button : box->buttons()) {
                buttons.push_back(button->text().toStdString());
            }
            for (const QLabel* label : box->findChildren<QLabel*>()) {
                formats.push_back(label->textFormat());
            }
            text = box->text().toStdString();
            informative = box->informativeText().toStdString();
            defaultButton = box->defaultButton() ? box->defaultButton()->text().toStdString() : "";
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == title) {
                    button->click();
                }
            }
        });
    }

    std::vector<std::string> buttons;
    std::vector<Qt::TextFormat> formats;
    std::string text;
    std::string informative;
    std::string defaultButton;
};

TEST(QtAlertPresenterTest, ShowsTheAlertAsPlainTextAndAnswersWithTheButtonPressed)
{
    test::qtApplication();
    QtMainLoop loop;
    QtAlertPresenter presenter(loop);
    Alert alert;
    alert.messageText = "Capture failed: <b>Slack</b> said no";
    alert.informativeText = "Saved to local recovery log.";
    alert.addButton("Show recovery log");
    alert.addButton("Later");
    alert.addButton("Cancel");
    Answerer answerer;
    answerer.pressWhenShown(QStringLiteral("Later"));
    EXPECT_EQ(presenter.runModal(alert), Alert::alertSecondButtonReturn);
    EXPECT_EQ(answerer.buttons, (std::vector<std::string>{"Show recovery log", "Later", "Cancel"}));
    EXPECT_EQ(answerer.defaultButton, "Show recovery log");
    EXPECT_EQ(answerer.text, "Capture failed: <b>Slack</b> said no");
    EXPECT_EQ(answerer.informative, "Saved to local recovery log.");
    for (const Qt::TextFormat format : answerer.formats) {
        EXPECT_EQ(format, Qt::PlainText);
    }

    Alert plain;
    plain.messageText = "Nothing to choose";
    answerer.pressWhenShown(QStringLiteral("OK"));
    EXPECT_EQ(presenter.runModal(plain), Alert::alertFirstButtonReturn);
}

TEST(QtAlertPresenterTest, RefusesToShowOffTheMainThread)
{
    test::qtApplication();
    QtMainLoop loop;
    QtAlertPresenter presenter(loop);
    std::thread other([&] { EXPECT_THROW(presenter.runModal(Alert{}), std::logic_error); });
    other.join();
}

}  // namespace
}  // namespace qm
