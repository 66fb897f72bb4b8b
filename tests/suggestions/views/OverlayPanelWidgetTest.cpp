#include "suggestions/views/OverlayPanelWidget.h"

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include "base/Log.h"
#include "capture/CaptureNotifications.h"
#include "platform/linux/display/QtScreens.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimApplication.h"
#include "platform/storage/UserDefaults.h"
#include "suggestions/OverlayPanelPlacement.h"
#include "suggestions/PanelPositionOffsets.h"
#include "suggestions/SampleSuggestion.h"
#include "suggestions/SuggestionDefaultsKeys.h"
#include "suggestions/SuggestionNotifications.h"
#include "suggestions/views/AIPromptCardWidget.h"
#include "suggestions/views/AIQuickActionChip.h"
#include "suggestions/views/BlinkingCursorWidget.h"
#include "suggestions/views/OverlayToolbarButton.h"
#include "suggestions/views/SuggestionChipWidget.h"
#include "suggestions/views/SuggestionViewWidget.h"
#include "support/QtTestApplication.h"

namespace qm {
namespace {

std::vector<SuggestionModel> threeSuggestions()
{
    return {
        test::sampleSuggestion(SuggestionType::proactive, "Proactive Context", "Working on Quillmarker"),
        test::sampleSuggestion(SuggestionType::knowledge, "Sprint notes", "…the overlay ships Friday…"),
        test::sampleSuggestion(SuggestionType::mcp, "Open ticket QM-12"),
    };
}

// The panel's real window on the offscreen platform, its fades on the manual
// loop, TextEdit in front on the stand-in desktop and a scripted AI stream.
class OverlayPanelWidgetTest : public ::testing::Test {
protected:
    OverlayPanelWidgetTest()
    {
        editor.activate();
        loop.runUntilIdle();
        panel = std::make_unique<OverlayPanelWidget>(
            loop, center, defaults, screens, desktop.workspace(),
            AIPromptServices{
                .providerName = [] { return std::string("ollama"); },
                .modelName = [] { return std::string("llama3"); },
                .selectedText = [] { return std::optional<std::string>(); },
                .stream = [this](const std::string&, const AIActionType&, int, const CancellationToken&,
                                 AIStreamHandler handler) { streams.push_back(std::move(handler)); },
            });
        insertObserver = center.addObserver(
            SuggestionNotifications::insertAIText, nullptr, [this](const Notification& note) {
                inserted.push_back(note.userInfo.get<std::string>("text").value_or(""));
            });
    }

    ~OverlayPanelWidgetTest() override
    {
        center.removeObserver(insertObserver);
        panel.reset();
    }

    void settle()
    {
        for (int round = 0; round < 3; ++round) {
            loop.runUntilIdle();
            QApplication::processEvents();
        }
    }

    void showWith(std::vector<SuggestionModel> suggestions, const Rect& caret)
    {
        panel->setSuggestions(std::move(suggestions), 0, [this](int index) { picked.push_back(index); });
        panel->show(caret);
        settle();
    }

    // Drags the panel's background by (dx, dy) in Qt's coordinates (y down).
    void drag(int dx, int dy)
    {
        const QPoint grip(4, 4);
        QTest::mousePress(panel.get(), Qt::LeftButton, {}, grip);
        QTest::mouseMove(panel.get(), grip + QPoint(dx, dy));
        QTest::mouseRelease(panel.get(), Qt::LeftButton, {}, grip + QPoint(dx, dy));
        settle();
    }

    std::optional<Point> savedOffset()
    {
        return PanelPositionOffsets(defaults).offsetFor("com.apple.TextEdit");
    }

    QApplication& application = test::qtApplication();
    SimClock clock{0};
    SimMainLoop loop{clock};
    NotificationCenter center;
    UserDefaults defaults{""};
    QtScreens screens;
    StandInDesktop desktop{loop};
    SimApplication editor = desktop.addApplication("com.apple.TextEdit", "TextEdit");
    std::vector<AIStreamHandler> streams;
    std::vector<std::string> inserted;
    std::vector<int> picked;
    NotificationCenter::ObserverToken insertObserver;
    std::unique_ptr<OverlayPanelWidget> panel;
};

TEST_F(OverlayPanelWidgetTest, ShowsAboveTheCaretFadingInWithoutTakingTheKeyboard)
{
    QWidget host;
    host.setGeometry(40, 300, 400, 200);
    host.show();
    host.activateWindow();
    ASSERT_TRUE(test::pumpQtUntil([&] { return host.isActiveWindow(); }));
    EXPECT_FALSE(panel->isVisible());

    Log::Capture log;
    const Rect caret(400, 150, 2, 18);
    showWith(threeSuggestions(), caret);
    const Rect caretOnScreen = OverlayPanelPlacement::caretOnScreen(caret, screens.screens());
    EXPECT_EQ(panel->currentCaretRect(), caretOnScreen);
    const Rect frame = panel->screenFrame();
    EXPECT_DOUBLE_EQ(frame.height(), 48);
    EXPECT_GE(frame.width(), 280);
    EXPECT_NEAR(frame.x(), caretOnScreen.x() + 1 - frame.width() / 2, 1.0);
    EXPECT_DOUBLE_EQ(frame.y(), caretOnScreen.maxY() + 8);
    EXPECT_TRUE(log.contains("🔍 PredictiveOverlay: Caret CarbonRect: (x: 400.0, y: 150.0, w: 2.0, h: 18.0)"));
    EXPECT_TRUE(log.contains("hasCustomOffset: 0"));

    EXPECT_TRUE(panel->isVisible());
    EXPECT_DOUBLE_EQ(panel->alpha(), 1.0);
    EXPECT_LT(panel->windowOpacity(), 1.0);
    loop.advance(OverlayPanelWidget::fadeInDuration);
    settle();
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);

    test::pumpQtFor(std::chrono::milliseconds(30));
    EXPECT_EQ(QApplication::activeWindow(), &host);
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
}

TEST_F(OverlayPanelWidgetTest, AShowDuringTheFadeOutKeepsThePanelUp)
{
    showWith(threeSuggestions(), Rect(200, 150, 2, 18));
    loop.advance(OverlayPanelWidget::fadeInDuration);

    panel->hide();
    loop.advance(0.05);
    panel->show(Rect(220, 160, 2, 18));
    loop.advance(OverlayPanelWidget::fadeOutDuration + 0.2);
    settle();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);

    panel->hide();
    settle();
    EXPECT_TRUE(panel->isVisible());  // fading
    loop.advance(OverlayPanelWidget::fadeOutDuration);
    settle();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 0.0);
    // Already invisible: the next hide orders out at once.
    panel->hide();
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(OverlayPanelWidgetTest, AClickOnAChipPicksItsIndex)
{
    showWith(threeSuggestions(), Rect(200, 150, 2, 18));
    auto& chips = panel->view().chips();
    ASSERT_EQ(chips.size(), 3u);
    EXPECT_TRUE(chips[0]->chip().isActive());
    EXPECT_EQ(chips[2]->chip().badgeText(), "⌃3");
    QTest::mouseClick(chips[2], Qt::LeftButton);
    QTest::mouseClick(chips[0], Qt::LeftButton);
    EXPECT_EQ(picked, (std::vector<int>{2, 0}));
}

// What the pointer is over lights up, and goes back once the pointer leaves.
TEST_F(OverlayPanelWidgetTest, ChipsAndToolbarButtonsLightUpUnderThePointer)
{
    showWith(threeSuggestions(), Rect(200, 150, 2, 18));
    SuggestionChipWidget* chip = panel->view().chips()[1];
    OverlayToolbarButton* reset = panel->view().resetButton();
    const QImage restingButton = reset->grab().toImage();
    const QImage restingChip = chip->grab().toImage();

    QTest::mouseMove(chip, chip->rect().center());
    EXPECT_TRUE(chip->chip().isHovered());
    EXPECT_NE(chip->grab().toImage(), restingChip);

    QTest::mouseMove(reset, reset->rect().center());
    EXPECT_FALSE(chip->chip().isHovered());
    EXPECT_EQ(chip->grab().toImage(), restingChip);
    EXPECT_NE(reset->grab().toImage(), restingButton);

    QTest::mouseMove(chip, chip->rect().center());
    EXPECT_EQ(reset->grab().toImage(), restingButton);
}

TEST_F(OverlayPanelWidgetTest, TheColumnLayoutRefitsKeepingTheTopEdgeAndIsRemembered)
{
    showWith(threeSuggestions(), Rect(200, 150, 2, 18));
    const Rect row = panel->screenFrame();
    auto* toggle = panel->view().orientationButton();
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->iconName(), "distribute.horizontal.fill");
    QTest::mouseClick(toggle, Qt::LeftButton);
    settle();

    EXPECT_EQ(defaults.objectForKey(SuggestionDefaultsKeys::isPopupOrientationHorizontal),
              DefaultsValue(false));
    EXPECT_EQ(panel->view().orientationButton()->iconName(), "distribute.vertical.fill");
    const Rect column = panel->screenFrame();
    EXPECT_GT(column.height(), 3 * 30.0);
    EXPECT_GE(column.width(), 200);
    EXPECT_DOUBLE_EQ(column.maxY(), row.maxY());
    EXPECT_DOUBLE_EQ(column.x(), row.x());
    // Only the user's drag is an offset to remember, not the panel's own resize.
    EXPECT_FALSE(savedOffset());

    // The next list keeps the column.
    panel->setSuggestions(threeSuggestions(), 1, nullptr);
    settle();
    EXPECT_GT(panel->screenFrame().height(), 3 * 30.0);
    EXPECT_TRUE(panel->view().chips()[1]->chip().isActive());
}

TEST_F(OverlayPanelWidgetTest, ADragIsRememberedForTheFrontApplicationAndResetForgetsIt)
{
    // One chip: narrow enough that no screen edge moves it.
    showWith({test::sampleSuggestion(SuggestionType::knowledge, "Sprint notes")}, Rect(300, 150, 2, 18));
    const Rect before = panel->screenFrame();
    EXPECT_FALSE(savedOffset());

    drag(40, 20);
    const Rect moved = panel->screenFrame();
    EXPECT_DOUBLE_EQ(moved.x(), before.x() + 40);
    EXPECT_DOUBLE_EQ(moved.y(), before.y() - 20);
    const Rect caretOnScreen = *panel->currentCaretRect();
    ASSERT_TRUE(savedOffset());
    EXPECT_EQ(*savedOffset(), OverlayPanelPlacement::offsetFromCaret(moved.origin, caretOnScreen));

    // The next show at another caret keeps the same place relative to it.
    panel->hide();
    loop.advance(OverlayPanelWidget::fadeOutDuration);
    panel->show(Rect(340, 180, 2, 18));
    settle();
    const Rect caretNow = *panel->currentCaretRect();
    EXPECT_DOUBLE_EQ(panel->screenFrame().x(), caretNow.x() + savedOffset()->x);
    EXPECT_DOUBLE_EQ(panel->screenFrame().y(), caretNow.y() + savedOffset()->y);

    // The reset button: forgotten, and back above the caret at once.
    Log::Capture log;
    QTest::mouseClick(panel->view().resetButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(savedOffset());
    EXPECT_TRUE(log.contains("🔍 Cleared custom offset for com.apple.TextEdit"));
    const Rect reset = panel->screenFrame();
    EXPECT_DOUBLE_EQ(reset.y(), caretNow.maxY() + 8);
    EXPECT_NEAR(reset.x(), caretNow.x() + 1 - reset.width() / 2, 1.0);
}

TEST_F(OverlayPanelWidgetTest, AResetBeforeAnyShowOnlyForgetsTheOffset)
{
    PanelPositionOffsets(defaults).save("com.apple.TextEdit", {12, 34});
    PanelPositionOffsets(defaults).save("com.apple.Notes", {5, 6});
    const Rect frame = panel->screenFrame();
    center.post(SuggestionNotifications::resetPanelPosition);
    EXPECT_FALSE(savedOffset());
    EXPECT_EQ(PanelPositionOffsets(defaults).offsetFor("com.apple.Notes"), (Point{5, 6}));
    EXPECT_EQ(panel->screenFrame(), frame);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(OverlayPanelWidgetTest, WithoutAFrontApplicationNothingIsRemembered)
{
    showWith(threeSuggestions(), Rect(200, 150, 2, 18));
    SimApplication nameless = desktop.addApplication(std::nullopt, std::nullopt);
    nameless.activate();
    loop.runUntilIdle();
    drag(30, 0);
    EXPECT_TRUE(defaults.dictionaryForKey(SuggestionDefaultsKeys::perAppPositionOffsets)
                    .value_or(DefaultsValue::Dictionary{})
                    .empty());
}

TEST_F(OverlayPanelWidgetTest, TheAIPromptCardStreamsItsAnswerAndInsertsItOnTheSecondReturn)
{
    panel->setSuggestions({}, 0, nullptr);
    center.post(CaptureNotifications::triggerAIQuickActions);
    panel->show(Rect(200, 300, 2, 18));
    settle();
    AIPromptCardWidget& card = panel->view().card();
    EXPECT_TRUE(card.isVisible());
    EXPECT_TRUE(panel->view().chips().empty());
    EXPECT_EQ(panel->screenFrame().width(), AIPromptCardWidget::cardWidth);
    EXPECT_TRUE(card.cursor().isBlinking());
    EXPECT_EQ(card.card().serviceLine, "OLLAMA • llama3");

    center.post(CaptureNotifications::appendAIPromptChar, nullptr, UserInfo{{"text", "tighten this"}});
    QTest::mouseClick(card.actionChips()[3], Qt::LeftButton);
    EXPECT_TRUE(card.actionChips()[3]->action().selected);
    const Rect composing = panel->screenFrame();

    center.post(CaptureNotifications::commitAIPrompt);
    ASSERT_EQ(streams.size(), 1u);
    streams[0].onChunk("A much tighter version of the paragraph, ");
    streams[0].onChunk("written in two lines so the card has to grow to show it all.");
    settle();
    EXPECT_TRUE(card.card().showsProgress);
    const Rect streaming = panel->screenFrame();
    EXPECT_GT(streaming.height(), composing.height());
    EXPECT_DOUBLE_EQ(streaming.maxY(), composing.maxY());

    streams[0].onEnd(std::nullopt);
    settle();
    EXPECT_TRUE(card.card().showsInsertHint);
    center.post(CaptureNotifications::commitAIPrompt);
    settle();
    ASSERT_EQ(inserted.size(), 1u);
    EXPECT_EQ(inserted[0], "A much tighter version of the paragraph, written in two lines so the card has to "
                           "grow to show it all.");
    EXPECT_FALSE(card.isVisible());
    EXPECT_FALSE(card.cursor().isBlinking());
}

TEST_F(OverlayPanelWidgetTest, APanelThatIsGoneLeavesNothingBehind)
{
    showWith(threeSuggestions(), Rect(200, 150, 2, 18));
    panel->hide();
    panel.reset();
    loop.advance(1.0);
    center.post(SuggestionNotifications::popupOrientationChanged);
    center.post(SuggestionNotifications::resetPanelPosition);
    center.post(CaptureNotifications::triggerAIQuickActions);
    EXPECT_EQ(center.observerCount(SuggestionNotifications::resetPanelPosition), 0u);
    EXPECT_EQ(center.observerCount(CaptureNotifications::commitAIPrompt), 0u);
}

}  // namespace
}  // namespace qm
