#include "shell/views/BulletPointRow.h"

#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include "support/QtTestApplication.h"

namespace qm::test {
namespace {

TEST(BulletPointRowTest, ALongTextWrapsBesideTheBulletAndAnEmptyOneLeavesTheBulletAlone)
{
    qtApplication();
    BulletPointRow shortRow("One line");
    BulletPointRow longRow(
        "Quillmarker keeps every capture on this machine: the notes, the history and the "
        "recovery log of failed captures never leave it, and nothing is sent anywhere unless "
        "you choose a target that sends.");
    BulletPointRow empty("");
    for (BulletPointRow* row : {&shortRow, &longRow, &empty}) {
        row->setFixedWidth(200);
        row->adjustSize();
        row->show();
    }
    QApplication::processEvents();
    EXPECT_GT(longRow.text().height(), 2 * shortRow.text().height()) << "the long text wraps";
    EXPECT_EQ(longRow.bullet().y(), longRow.text().y()) << "the bullet sits on the first line";
    EXPECT_EQ(empty.text().text(), "");
    EXPECT_TRUE(empty.bullet().isVisible());
    EXPECT_EQ(longRow.bullet().text(), "•");
}

}  // namespace
}  // namespace qm::test
