#include "settings/views/SettingsWindowWidget.h"

#include <cstdlib>
#include <exception>
#include <stdexcept>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/notifications/UserNotificationSettings.h"
#include "settings/SettingsWindowModel.h"
#include "settings/views/CaptureTargetsPage.h"
#include "settings/views/ErrorLogsPage.h"
#include "settings/views/HelpPage.h"
#include "settings/views/HistoryPage.h"
#include "settings/views/LazyRowList.h"
#include "settings/views/PermissionsPage.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "support/QtTestApplication.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

class SettingsWindowWidgetTest : public testing::Test {
protected:
    SettingsWindowWidgetTest() { model.appear(); }

    QStringList labelTexts() const
    {
        QStringList texts;
        for (auto* label : widget.findChildren<QLabel*>()) {
            if (!label->isHidden()) {
                texts << label->text();
            }
        }
        return texts;
    }

    QApplication& application = test::qtApplication();
    test::SettingsRig rig;
    SettingsWindowModel model{rig.services()};
    SettingsWindowWidget widget{model};
};

TEST_F(SettingsWindowWidgetTest, SidebarSwitchesPagesAndTheHeaderFollows)
{
    EXPECT_TRUE(labelTexts().contains("General"));
    EXPECT_GE(widget.minimumWidth(), 720);
    QTest::mouseClick(widget.sidebarButton(7), Qt::LeftButton);
    EXPECT_EQ(model.currentSection(), SettingsSection::help);
    EXPECT_TRUE(labelTexts().contains("//calendar"));
    EXPECT_TRUE(widget.sidebarButton(7)->isChecked());
    EXPECT_FALSE(widget.sidebarButton(0)->isChecked());
}

// The selected row is filled with the gold: a gold symbol on it would vanish.
TEST_F(SettingsWindowWidgetTest, TheSelectedRowsSymbolIsWhiteAndTheOthersAreGold)
{
    const auto inkOf = [](const QIcon& icon, QIcon::State state) {
        const QImage image = icon.pixmap(QSize(18, 13), QIcon::Normal, state).toImage();
        QColor densest(Qt::transparent);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y).alpha() > densest.alpha()) {
                    densest = image.pixelColor(x, y);
                }
            }
        }
        return densest;
    };
    // Antialiased edges round the colour a little.
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
               std::abs(a.blue() - b.blue()) <= 8;
    };
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE(row);
        const QIcon icon = widget.sidebarButton(row)->icon();
        EXPECT_TRUE(near(inkOf(icon, QIcon::On), Qt::white));
        EXPECT_TRUE(near(inkOf(icon, QIcon::Off), SettingsStyle::brandGold()));
    }
}

TEST_F(SettingsWindowWidgetTest, CaptureTargetsFieldsForwardTypingAndReturn)
{
    model.selectSection(SettingsSection::captureTargets);
    auto* page = dynamic_cast<CaptureTargetsPage*>(widget.page());
    ASSERT_NE(page, nullptr);
    QTest::keyClicks(page->vaultField(), "/nowhere");
    EXPECT_EQ(rig.defaults.stringForKey("obsidianVaultPath"), "/nowhere");
    EXPECT_TRUE(page->vaultStatus()->text().startsWith("Obsidian vault path does not exist"));
    QTest::keyClicks(page->tokenField(), "xoxb-7");
    EXPECT_EQ(rig.keychain.load("QuillmarkerAI", "slackToken"), "xoxb-7");
    QTest::keyClick(page->tokenField(), Qt::Key_Return);
    EXPECT_EQ(page->tokenField()->text(), "xoxb-7");
}

TEST_F(SettingsWindowWidgetTest, ARequestHighlightsOnlyItsCard)
{
    UserInfo info;
    info.set("section", "Capture Targets");
    info.set("field", "logseqGraph");
    rig.selectSettingsSection(info);
    auto* page = dynamic_cast<CaptureTargetsPage*>(widget.page());
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->card("logseqGraph")->isHighlighted());
    EXPECT_FALSE(page->card("slack")->isHighlighted());
    EXPECT_FALSE(page->card("obsidianVault")->isHighlighted());
}

TEST_F(SettingsWindowWidgetTest, ErrorLogTextIsShownAsPlainTextAndCopyIsForwarded)
{
    ASSERT_TRUE(rig.fallback.saveFallback("<b>bold?</b>", "note", std::runtime_error("<i>disk</i> full")));
    model.selectSection(SettingsSection::errorLogs);
    auto* page = dynamic_cast<ErrorLogsPage*>(widget.page());
    ASSERT_NE(page, nullptr);
    for (auto* label : page->findChildren<QLabel*>()) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
    EXPECT_TRUE(labelTexts().contains("<b>bold?</b>"));
    EXPECT_TRUE(labelTexts().contains("<i>disk</i> full"));
    page->copyRow(0);
    EXPECT_EQ(model.errorLogs()->copiedEntryId(), model.errorLogs()->entries()[0].id);
}

// A dialog of the settings window's own that is up (none in a test that
// does not open one).
QDialog* openDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

QPushButton* buttonTitled(QWidget* parent, const QString& title)
{
    for (auto* button : parent->findChildren<QPushButton*>()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

TEST_F(SettingsWindowWidgetTest, HistoryClearAsksFirst)
{
    rig.history.record("note", "keep", true);
    rig.loop.runUntilIdle();
    widget.show();
    model.selectSection(SettingsSection::history);
    auto* page = dynamic_cast<HistoryPage*>(widget.page());
    ASSERT_NE(page, nullptr);
    for (const char* answer : {"Cancel", "Clear History"}) {
        page->pressClear();
        ASSERT_TRUE(test::pumpQtUntil([] { return openDialog() != nullptr; }));
        auto* alert = qobject_cast<QMessageBox*>(openDialog());
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->text(), "Clear capture history?");
        EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
        ASSERT_NE(buttonTitled(alert, answer), nullptr) << answer;
        buttonTitled(alert, answer)->click();
        ASSERT_TRUE(test::pumpQtUntil([] { return openDialog() == nullptr; }));
        if (std::string(answer) == "Cancel") {
            EXPECT_EQ(model.history()->entries().size(), 1u);
        }
    }
    EXPECT_TRUE(model.history()->entries().empty()) << "the confirmed clear ran";
    QTest::keyClicks(page->searchField(), "zz");
    EXPECT_TRUE(test::pumpQtUntil([this] { return labelTexts().contains("No captures match \"zz\"."); }));
}

TEST_F(SettingsWindowWidgetTest, AFolderPickedInTheBrowsePanelIsStored)
{
    widget.show();
    model.selectSection(SettingsSection::captureTargets);
    auto* page = dynamic_cast<CaptureTargetsPage*>(widget.page());
    ASSERT_NE(page, nullptr);
    buttonTitled(page, "Browse...")->click();
    ASSERT_TRUE(test::pumpQtUntil([] { return openDialog() != nullptr; }));
    auto* panel = qobject_cast<QFileDialog*>(openDialog());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowTitle(), "Select Obsidian Vault Folder");
    panel->setDirectory(QString::fromStdString(rig.dir.path().string()));
    panel->selectFile(QString::fromStdString(rig.dir.path().string()));
    static_cast<QDialog*>(panel)->accept();
    ASSERT_TRUE(test::pumpQtUntil([] { return openDialog() == nullptr; }));
    EXPECT_EQ(rig.defaults.stringForKey("obsidianVaultPath"), rig.dir.path().string());
    EXPECT_EQ(page->vaultField()->text().toStdString(), rig.dir.path().string());
}

// A request for another page can come at any time (the failure alert's button
// posts one), also while a page's own dialog is up: the dialog goes with its
// page, and its answer with it.
TEST_F(SettingsWindowWidgetTest, APageChangeUnderAPagesOpenDialogLeavesTheProgramRunning)
{
    rig.history.record("note", "keep", true);
    rig.loop.runUntilIdle();
    rig.defaults.set("obsidianVaultPath", std::string("/old/vault"));
    widget.show();
    for (auto [section, title] : {std::pair{SettingsSection::history, "Clear History"},
                                  std::pair{SettingsSection::captureTargets, "Browse..."}}) {
        SCOPED_TRACE(title);
        model.selectSection(section);
        QPushButton* button = buttonTitled(widget.page(), title);
        ASSERT_NE(button, nullptr);
        bool dialogWasUp = false;
        QTimer::singleShot(100, [&] {
            dialogWasUp = openDialog() != nullptr;
            UserInfo info;
            info.set("section", "Help");
            rig.selectSettingsSection(info);
        });
        // A page that ran a loop of its own would otherwise hang the test here.
        QTimer::singleShot(3000, [] {
            if (QDialog* dialog = openDialog()) {
                dialog->reject();
            }
        });
        button->click();
        EXPECT_TRUE(test::pumpQtUntil(
            [this] { return model.currentSection() == SettingsSection::help && openDialog() == nullptr; }));
        EXPECT_TRUE(dialogWasUp);
        EXPECT_NE(dynamic_cast<HelpPage*>(widget.page()), nullptr);
    }
    EXPECT_EQ(rig.history.recentEntries("", 10).size(), 1u) << "the dropped alert cleared nothing";
    EXPECT_EQ(rig.defaults.stringForKey("obsidianVaultPath"), "/old/vault");
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST_F(SettingsWindowWidgetTest, EscAndReturnAreNotDialogKeys)
{
    widget.show();
    model.selectSection(SettingsSection::history);
    QTest::keyClick(&widget, Qt::Key_Escape);
    QTest::keyClick(&widget, Qt::Key_Return);
    EXPECT_TRUE(widget.isVisible());
    EXPECT_EQ(model.currentSection(), SettingsSection::history);
    EXPECT_NE(model.history(), nullptr) << "the page was not closed by either key";
}

TEST_F(SettingsWindowWidgetTest, HelpListsTheTenCommandsVerbatim)
{
    model.selectSection(SettingsSection::help);
    const QStringList texts = labelTexts();
    for (const char* trigger : {"//note", "//copy", "//timer", "//calc", "//reminders", "//obsidian",
                                "//logseq", "//alarm", "//calendar", "//slack"}) {
        EXPECT_TRUE(texts.contains(trigger)) << trigger;
    }
    EXPECT_TRUE(texts.contains(QString::fromUtf8(
        "Shows a macOS notification when done. View pending timers in Settings \u2192 Scheduled.")));
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST_F(SettingsWindowWidgetTest, APermissionRequestOutlinesOnlyItsRow)
{
    UserInfo info;
    info.set("section", "Privacy & Permissions");
    info.set("field", "notifications");
    rig.selectSettingsSection(info);
    auto* page = dynamic_cast<PermissionsPage*>(widget.page());
    ASSERT_NE(page, nullptr);
    for (const char* id : {"reminders", "notifications", "calendar"}) {
        auto* row = dynamic_cast<SettingsSectionCard*>(page->row(id));
        ASSERT_NE(row, nullptr) << id;
        EXPECT_EQ(row->isHighlighted(), std::string(id) == "notifications") << id;
    }
    rig.loop.advance(1.0);  // the scroll and focus steps find their target or nothing, without harm
}

TEST_F(SettingsWindowWidgetTest, PermissionRedrawsUpdateTheRowsInsteadOfPilingUpCards)
{
    rig.trust.setTrusted(false);
    model.selectSection(SettingsSection::privacyPermissions);
    model.permissions().updatePermissionStatuses();
    rig.loop.runUntilIdle();
    auto* page = dynamic_cast<PermissionsPage*>(widget.page());
    ASSERT_NE(page, nullptr);
    // Cards have no meta-object of their own, so findChildren<> would count every frame.
    const auto cards = [page] {
        int count = 0;
        for (auto* frame : page->findChildren<QFrame*>()) {
            count += dynamic_cast<SettingsSectionCard*>(frame) != nullptr;
        }
        return count;
    };
    const auto buttons = [page] {
        QStringList texts;
        for (auto* button : page->findChildren<QPushButton*>()) {
            texts << button->text();
        }
        return texts;
    };
    const int shown = cards();
    EXPECT_EQ(shown, 5) << "the page's card and one per grant";
    ASSERT_EQ(buttons(), (QStringList{"Grant", "Grant", "Grant", "Grant"}));

    // Each status read and each tick of the Accessibility poll redraws the page.
    model.permissions().updatePermissionStatuses();
    rig.loop.runUntilIdle();
    page->findChildren<QPushButton*>().front()->click();
    rig.loop.advance(3.0);
    ASSERT_TRUE(model.permissions().isPollingAccessibility());
    page->highlight("calendar");
    EXPECT_EQ(cards(), shown);

    rig.trust.setTrusted(true);
    rig.loop.advance(1.0);
    EXPECT_EQ(cards(), shown);
    EXPECT_EQ(buttons(), (QStringList{"Verify", "Grant", "Grant", "Grant"})) << "the rows show the new state";
    EXPECT_TRUE(labelTexts().contains("Granted. Keyboard intercept tap is active."));
    EXPECT_FALSE(labelTexts().contains("Required to detect your custom quill-marker hotkeys."));
    for (const char* id : {"reminders", "notifications", "calendar"}) {
        EXPECT_EQ(dynamic_cast<SettingsSectionCard*>(page->row(id))->isHighlighted(),
                  std::string(id) == "calendar")
            << id;
    }
}

TEST_F(SettingsWindowWidgetTest, APageTallerThanTheWindowScrollsInsteadOfBeingSqueezed)
{
    widget.resize(780, 480);
    widget.show();
    model.selectSection(SettingsSection::captureTargets);
    QApplication::processEvents();
    auto* page = widget.page();
    ASSERT_NE(page, nullptr);
    for (auto* field : page->findChildren<QLineEdit*>()) {
        EXPECT_GE(field->height(), field->sizeHint().height()) << field->placeholderText().toStdString();
    }
    EXPECT_GE(page->height(), page->heightForWidth(page->width())) << "wrapped texts get their height";
}

TEST_F(SettingsWindowWidgetTest, ACancelPressedAcrossARefreshTickStillCancels)
{
    rig.userNotifications.setAuthorizationStatus(UserNotificationSettings::AuthorizationStatus::authorized);
    rig.userNotifications.setAlertSetting(UserNotificationSettings::Setting::enabled);
    for (auto [label, seconds] : {std::pair{"tea", 120.0}, std::pair{"eggs", 300.0}}) {
        rig.scheduler.scheduleTimer(seconds, label, label, [](auto, std::exception_ptr) {});
        rig.loop.runUntilIdle();
    }
    widget.resize(780, 640);
    widget.show();
    model.selectSection(SettingsSection::scheduled);
    rig.loop.runUntilIdle();
    QApplication::processEvents();
    const auto cancels = [this] {
        QList<QPushButton*> found;
        for (auto* button : widget.page()->findChildren<QPushButton*>()) {
            if (button->text() == "Cancel" && button->isVisibleTo(widget.page())) {
                found << button;
            }
        }
        return found;
    };
    ASSERT_EQ(cancels().size(), 2);
    EXPECT_TRUE(labelTexts().contains("Fires in 2:00"));

    QPushButton* tea = cancels().front();
    QTest::mousePress(tea, Qt::LeftButton);
    rig.loop.advance(1.0);  // a refresh tick between press and release
    EXPECT_TRUE(labelTexts().contains("Fires in 1:59")) << "the countdown still moves";
    ASSERT_TRUE(cancels().contains(tea)) << "the pressed button is still the one on screen";
    QTest::mouseRelease(tea, Qt::LeftButton);
    rig.loop.runUntilIdle();
    QApplication::processEvents();

    ASSERT_EQ(model.scheduled().pendingCaptures().size(), 1u);
    EXPECT_EQ(model.scheduled().pendingCaptures()[0].id, "eggs");
    EXPECT_EQ(cancels().size(), 1);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// Rows that have a widget now: those in or near view.
int builtRows(LazyRowList* rows)
{
    int built = 0;
    for (int i = 0; i < rows->rowCount(); ++i) {
        built += rows->builtRow(i) != nullptr;
    }
    return built;
}

std::string longText(int lines)
{
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += "line " + std::to_string(i) + " of a capture that goes on for a while\n";
    }
    return text + "the end";
}

// A page of hundreds of captures or log lines builds the rows a person can
// see, and builds the others as they scroll into view; long texts are cut.
TEST_F(SettingsWindowWidgetTest, HistoryAndErrorLogRowsAreBuiltAsTheyComeIntoView)
{
    for (int i = 0; i < 200; ++i) {
        rig.clock.advance(1.0);
        rig.history.record("note", i == 199 ? longText(8) : "capture " + std::to_string(i), true);
        ASSERT_TRUE(rig.fallback.saveFallback(i == 199 ? longText(8) : "text " + std::to_string(i), "note",
                                              std::runtime_error("Disk full")));
    }
    rig.loop.runUntilIdle();
    widget.resize(780, 640);
    widget.show();
    struct Case {
        SettingsSection section;
        int maxLines;
    };
    for (const Case& c : {Case{SettingsSection::history, 3}, Case{SettingsSection::errorLogs, 4}}) {
        SCOPED_TRACE(static_cast<int>(c.section));
        model.selectSection(c.section);
        QApplication::processEvents();
        LazyRowList* rows = nullptr;
        if (auto* history = dynamic_cast<HistoryPage*>(widget.page())) {
            rows = history->rows();
        } else if (auto* logs = dynamic_cast<ErrorLogsPage*>(widget.page())) {
            rows = logs->rows();
        }
        ASSERT_NE(rows, nullptr);
        ASSERT_EQ(rows->rowCount(), 200);
        ASSERT_NE(rows->builtRow(0), nullptr);
        EXPECT_LT(builtRows(rows), 40) << "only the rows in and near view";
        EXPECT_GT(rows->height(), 200 * 40) << "the list is as tall as all its rows";

        auto* text = rows->builtRow(0)->findChild<QLabel*>("entryText");
        ASSERT_NE(text, nullptr) << "the newest capture, the long one";
        EXPECT_TRUE(text->text().startsWith("line 0 of a capture"));
        EXPECT_TRUE(text->text().endsWith(QChar(0x2026))) << text->text().toStdString();
        EXPECT_LE(text->height(), c.maxLines * QFontMetrics(text->font()).lineSpacing() + 2);

        auto* scroll = widget.findChild<QScrollArea*>();
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        QApplication::processEvents();
        EXPECT_NE(rows->builtRow(199), nullptr) << "scrolled into view";
        EXPECT_EQ(rows->builtRow(0), nullptr) << "scrolled far out of view";
        EXPECT_LT(builtRows(rows), 40);
        scroll->verticalScrollBar()->setValue(0);
        QApplication::processEvents();
    }
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// The settings window is hosted as the onboarding window is: Super-V (the
// platform's Control-V) pastes in its fields, as Ctrl-V does.
TEST_F(SettingsWindowWidgetTest, SuperVAndCtrlVPasteInTheSettingsFields)
{
    widget.show();
    model.selectSection(SettingsSection::captureTargets);
    auto* page = dynamic_cast<CaptureTargetsPage*>(widget.page());
    ASSERT_NE(page, nullptr);
    widget.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
    for (auto modifier : {Qt::MetaModifier, Qt::ControlModifier}) {
        SCOPED_TRACE(static_cast<int>(modifier));
        QApplication::clipboard()->setText("/home/me/Vault");
        page->vaultField()->clear();
        page->vaultField()->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(page->vaultField(), Qt::Key_V, modifier);
        EXPECT_EQ(page->vaultField()->text(), "/home/me/Vault");
    }
}

}  // namespace
}  // namespace qm
