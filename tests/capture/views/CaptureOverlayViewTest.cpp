#include "capture/views/CaptureOverlayView.h"

#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "capture/views/CaptureTextEdit.h"
#include "capture/views/OverlayRig.h"

namespace qm::test {
namespace {

using Kind = CaptureOverlayViewModel::Header::Kind;
using Icon = CaptureOverlayViewModel::PickerRow::Icon;

// The overlay's content widget on the router of a real capture: what it
// shows for each kind of capture, and what typing in it does to the router.
class CaptureOverlayViewTest : public OverlayRig {
protected:
    void showView(const std::string& targetName)
    {
        view = std::make_unique<CaptureOverlayView>(loop, *router, center, defaults);
        view->setTargetName(targetName);
        view->resize(340, 200);
        view->show();
        settle();
    }

    void type(const std::string& text)
    {
        QTest::keyClicks(&view->messageField(), QString::fromStdString(text));
        settle();
    }

    std::unique_ptr<CaptureOverlayView> view;
};

TEST_F(CaptureOverlayViewTest, NoteCaptureShowsItsBannerPlaceholderAndTypedText)
{
    openDirectly(note);
    showView("note");

    const auto& model = view->model();
    ASSERT_TRUE(model.header);
    EXPECT_EQ(model.header->kind, Kind::banner);
    EXPECT_TRUE(shows(*view, "QUICK CAPTURE"));
    EXPECT_TRUE(shows(*view, "Appends to ~/Documents/Quillmarker/Quick Capture.md"));
    EXPECT_TRUE(shows(*view, "buy milk on the way home"));
    EXPECT_FALSE(model.calcResultLine);
    EXPECT_TRUE(model.pickerRows.empty());
    // The field took the keyboard on the turn after it was shown: once the
    // window is active, the field is what has the focus in it.
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    settle();
    EXPECT_EQ(QApplication::focusWidget(), &view->messageField());

    type("call mom");
    EXPECT_EQ(router->messageInput(), "call mom");
    EXPECT_FALSE(view->model().placeholder);
    EXPECT_FALSE(shows(*view, "buy milk on the way home"));
    EXPECT_EQ(view->messageField().toPlainText().toStdString(), "call mom");

    // A state change made elsewhere is drawn without being asked.
    router->setMessageInput("");
    EXPECT_TRUE(view->messageField().toPlainText().isEmpty());
    EXPECT_TRUE(shows(*view, "buy milk on the way home"));
}

TEST_F(CaptureOverlayViewTest, CalcCaptureShowsItsLivePreviewWhileTyping)
{
    openDirectly(calc);
    showView("calc");
    EXPECT_TRUE(shows(*view, "QUICK CALCULATOR"));
    EXPECT_FALSE(view->model().calcResultLine);

    std::vector<std::string> sizeRequests;
    center.addObserver("UpdateCapturePanelSize", nullptr,
                       [&](const Notification&) { sizeRequests.push_back(router->messageInput()); });
    type("2+3*4");
    ASSERT_TRUE(view->model().calcResultLine);
    EXPECT_EQ(*view->model().calcResultLine, "= 14");
    EXPECT_TRUE(shows(*view, "= 14"));
    // Each edit asks for a refit after the router handled it.
    ASSERT_FALSE(sizeRequests.empty());
    EXPECT_EQ(sizeRequests.back(), "2+3*4");

    router->setMessageInput("");
    router->handleMessageInputChange("");
    settle();
    EXPECT_FALSE(view->model().calcResultLine);
    EXPECT_FALSE(shows(*view, "= 14"));
}

TEST_F(CaptureOverlayViewTest, SlackPickerBeforeAndAfterTheChoice)
{
    openDirectly(pick);
    showView("slack");

    // Before: the picker heading, the filtering placeholder, five of seven rows.
    ASSERT_TRUE(view->model().header);
    EXPECT_EQ(view->model().header->title, "SLACK TARGET SELECTION");
    EXPECT_TRUE(shows(*view, "Filter target by typing (#channel or @user)..."));
    ASSERT_EQ(view->model().pickerRows.size(), 5u);
    EXPECT_EQ(view->model().pickerRows[0].icon, Icon::channel);
    EXPECT_EQ(view->model().pickerRows[1].icon, Icon::person);
    EXPECT_EQ(view->model().pickerRows[3].icon, Icon::other);
    EXPECT_TRUE(view->model().pickerRows[0].selected);
    EXPECT_TRUE(shows(*view, "#general"));
    EXPECT_TRUE(shows(*view, "#random"));
    EXPECT_FALSE(shows(*view, "#releases"));
    EXPECT_TRUE(shows(*view, "\u21B5 select"));

    // Typing filters; Down moves the highlight; Return confirms.
    type("es");
    ASSERT_EQ(router->pickerOptions().size(), 3u);
    EXPECT_EQ(view->model().pickerRows.size(), 3u);
    EXPECT_FALSE(shows(*view, "#general"));
    QTest::keyClick(&view->messageField(), Qt::Key_Down);
    QTest::keyClick(&view->messageField(), Qt::Key_Up);
    QTest::keyClick(&view->messageField(), Qt::Key_Up);
    settle();
    EXPECT_EQ(router->selectedOption(), (PickerOption{"C4", "#releases"}));
    EXPECT_TRUE(view->model().pickerRows[2].selected);
    QTest::keyClick(&view->messageField(), Qt::Key_Down);
    settle();
    EXPECT_EQ(router->selectedOption(), (PickerOption{"C2", "#design"}));
    QTest::keyClick(&view->messageField(), Qt::Key_Return);
    settle();

    // After: the "TO" badge with the conversation, no list, the message placeholder.
    EXPECT_TRUE(router->isTargetConfirmed());
    ASSERT_TRUE(view->model().header);
    EXPECT_EQ(view->model().header->kind, Kind::confirmedTarget);
    EXPECT_TRUE(shows(*view, "TO"));
    EXPECT_TRUE(shows(*view, "#design"));
    EXPECT_TRUE(shows(*view, "esc to undo"));
    EXPECT_TRUE(view->model().pickerRows.empty());
    EXPECT_FALSE(shows(*view, "#general"));
    EXPECT_TRUE(shows(*view, "deployment is live!"));
    EXPECT_TRUE(view->messageField().toPlainText().isEmpty());

    // Esc goes back to the picker, reloaded with its first row highlighted.
    type("ship it");
    QTest::keyClick(&view->messageField(), Qt::Key_Escape);
    ASSERT_TRUE(waitFor([&] { return router->pickerOptions().size() == 7; }));
    settle();
    EXPECT_FALSE(router->isTargetConfirmed());
    EXPECT_TRUE(router->isCaptureModeActive());
    EXPECT_EQ(router->messageInput(), "");
    EXPECT_EQ(view->model().header->title, "SLACK TARGET SELECTION");
    EXPECT_EQ(view->model().pickerRows.size(), 5u);
    EXPECT_TRUE(view->model().pickerRows[0].selected);
}

TEST_F(CaptureOverlayViewTest, FolderTargetsWithoutTheirFolderShowOnlyTheError)
{
    struct Case {
        std::shared_ptr<ScriptedTarget> target;
        const char* key;
        std::optional<std::string> value;
        std::optional<std::string> error;
    };
    const std::string obsidianError =
        "Obsidian Vault Absolute Path is empty. Please configure it in Settings first.";
    const std::string logseqError =
        "Logseq Graph Absolute Path is empty. Please configure it in Settings first.";
    const std::vector<Case> cases{
        {obsidian, "obsidianVaultPath", std::nullopt, obsidianError},
        {obsidian, "obsidianVaultPath", "", obsidianError},
        {obsidian, "obsidianVaultPath", " \n\t ", obsidianError},
        {obsidian, "obsidianVaultPath", "  /vault  ", std::nullopt},
        {logseq, "logseqGraphPath", "\n", logseqError},
        {logseq, "logseqGraphPath", "/graph", std::nullopt},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.target->commandName() + " with " +
                     (one.value ? "\"" + *one.value + "\"" : "no value"));
        defaults.removeObjectForKey("obsidianVaultPath");
        defaults.removeObjectForKey("logseqGraphPath");
        if (one.value) {
            defaults.set(one.key, DefaultsValue(*one.value));
        }
        openDirectly(one.target);
        showView(one.target->commandName());
        EXPECT_EQ(view->model().configErrorMessage, one.error);
        if (one.error) {
            EXPECT_EQ(visibleTexts(*view), std::vector<std::string>{*one.error});
            EXPECT_FALSE(view->messageField().isVisibleTo(view.get()));
        } else {
            EXPECT_TRUE(view->messageField().isVisibleTo(view.get()));
            EXPECT_TRUE(view->model().header.has_value());
        }
        router->cancelCapture();
        settle();
    }
}

TEST_F(CaptureOverlayViewTest, UserTextIsNeverReadAsRichText)
{
    pick->setRows({{"C1", "<b>#bold</b>"}, {"C2", "#plain"}});
    openDirectly(pick);
    showView("slack");
    const auto labels = view->findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
    EXPECT_TRUE(shows(*view, "<b>#bold</b>"));
}

}  // namespace
}  // namespace qm::test
