#include "shell/views/KeyHandlingHostingView.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "support/QtTestApplication.h"

namespace qm {
namespace {

// A window's text field gets the editing keys from the hosting view, ahead
// of any shortcut the window defines for the same keys.
TEST(KeyHandlingHostingViewTest, EditingKeysReachTheFocusedFieldAheadOfShortcuts)
{
    test::qtApplication();
    KeyHandlingHostingView view;
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* field = new QLineEdit;
    layout->addWidget(field);
    view.setContent(content);
    int stolen = 0;
    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+A")), &view);
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++stolen; });
    int closes = 0;
    auto* close = new QShortcut(QKeySequence(QStringLiteral("Ctrl+W")), &view);
    QObject::connect(close, &QShortcut::activated, [&] { ++closes; });
    view.show();
    view.activateWindow();
    field->setFocus();
    ASSERT_TRUE(test::pumpQtUntil([&] { return field->hasFocus(); }));

    QTest::keyClicks(field, "hello");
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field->selectedText().toStdString(), "hello");
    EXPECT_EQ(stolen, 0);
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "hello");
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(field->text().isEmpty());
    // Super-V (the platform's Control-V) pastes too.
    QTest::keyClick(field, Qt::Key_V, Qt::MetaModifier);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text().toStdString(), "hellohello");
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field->text().toStdString(), "hello");
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(field->text().toStdString(), "hellohello");

    // Keys without an editing action reach the window's own handling.
    QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(closes, 1);
}

}  // namespace
}  // namespace qm
