#include "platform/linux/workspace/QtPasteboard.h"

#include <thread>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <gtest/gtest.h>

#include "platform/linux/runtime/QtMainLoop.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

class QtPasteboardTest : public ::testing::Test {
protected:
    QtPasteboardTest() { QGuiApplication::clipboard()->clear(); }

    QApplication& application = test::qtApplication();
    QtMainLoop loop;
    QtPasteboard pasteboard{loop};
};

TEST_F(QtPasteboardTest, WritesReachTheSystemClipboardInOrder)
{
    const long before = pasteboard.changeCount();
    EXPECT_EQ(
        pasteboard.declareTypes({std::string(Pasteboard::typeString), std::string(Pasteboard::typeHTML)}),
        before + 1);
    ASSERT_TRUE(pasteboard.setString("call mom", Pasteboard::typeString));
    ASSERT_TRUE(pasteboard.setString("<b>call</b> mom", Pasteboard::typeHTML));
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "call mom");
    EXPECT_EQ(pasteboard.types(), (std::vector<std::string>{std::string(Pasteboard::typeString),
                                                            std::string(Pasteboard::typeHTML)}));

    ASSERT_TRUE(test::pumpQtUntil([] { return QGuiApplication::clipboard()->text() == "call mom"; }));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->html().toStdString(), "<b>call</b> mom");
    // Our own write is not taken for another program's copy.
    test::pumpQtFor(std::chrono::milliseconds(20));
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
    EXPECT_EQ(pasteboard.string(Pasteboard::typeHTML), "<b>call</b> mom");
}

TEST_F(QtPasteboardTest, AnotherProgramsCopyIsTakenOver)
{
    ASSERT_TRUE(pasteboard.setString("ours", Pasteboard::typeString));
    test::pumpQtFor(std::chrono::milliseconds(10));
    const long before = pasteboard.changeCount();
    QGuiApplication::clipboard()->setText(QStringLiteral("theirs"));
    test::pumpQtFor(std::chrono::milliseconds(10));
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "theirs");
    EXPECT_EQ(pasteboard.changeCount(), before + 1);
    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{std::string(Pasteboard::typeString)});
}

TEST_F(QtPasteboardTest, BackgroundThreadsWriteWithoutWaitingForTheMainThread)
{
    std::thread writer([&] {
        pasteboard.clearContents();
        EXPECT_TRUE(pasteboard.setString("from the background", Pasteboard::typeString));
        EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "from the background");
    });
    writer.join();  // the main thread ran nothing meanwhile
    ASSERT_TRUE(
        test::pumpQtUntil([] { return QGuiApplication::clipboard()->text() == "from the background"; }));
}

TEST_F(QtPasteboardTest, ClearingEmptiesTheClipboard)
{
    ASSERT_TRUE(pasteboard.setString("x", Pasteboard::typeString));
    pasteboard.clearContents();
    EXPECT_FALSE(pasteboard.string(Pasteboard::typeString));
    EXPECT_TRUE(pasteboard.types().empty());
    test::pumpQtFor(std::chrono::milliseconds(10));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST(QtPasteboardTypes, MapToMimeTypesAndBack)
{
    for (const auto type : {Pasteboard::typeString, Pasteboard::typeRTF, Pasteboard::typeHTML,
                            std::string_view("com.quillmarker.capture")}) {
        EXPECT_EQ(QtPasteboard::typeForMime(QtPasteboard::mimeTypeFor(type)), std::string(type));
    }
    EXPECT_EQ(QtPasteboard::mimeTypeFor(Pasteboard::typeString), "text/plain");
    EXPECT_FALSE(QtPasteboard::typeForMime("image/png"));
}

}  // namespace
}  // namespace qm
