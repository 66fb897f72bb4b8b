// Writes PNG pictures of the suggestion panel into <build folder>/screenshots:
// the chips in a row and in a column, and the AI prompt card composing,
// streaming, answered and failed.
//   cmake --build --preset ci --target test_screenshots && build/ci/tests/test_screenshots
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <gtest/gtest.h>

#include "capture/CaptureNotifications.h"
#include "platform/linux/display/QtScreens.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "screenshots/Screenshot.h"
#include "suggestions/SampleSuggestion.h"
#include "suggestions/views/OverlayPanelWidget.h"
#include "suggestions/views/SuggestionViewWidget.h"
#include "support/QtTestApplication.h"

namespace qm::test {
namespace {

class SuggestionScreenshots : public ::testing::Test {
protected:
    SuggestionScreenshots()
    {
        panel = std::make_unique<OverlayPanelWidget>(
            loop, center, defaults, screens, desktop.workspace(),
            AIPromptServices{
                .providerName = [] { return std::string("anthropic"); },
                .modelName = [] { return std::string("claude-3-5-sonnet-20241022"); },
                .selectedText =
                    [] {
                        return std::optional<std::string>(
                            "hey team, the deploy is gonna slip cause QA found stuff in the overlay");
                    },
                .stream = [this](const std::string&, const AIActionType&, int, const CancellationToken&,
                                 AIStreamHandler handler) { streams.push_back(std::move(handler)); },
            });
    }

    void settle()
    {
        for (int round = 0; round < 3; ++round) {
            loop.runUntilIdle();
            QApplication::processEvents();
        }
    }

    void showChips()
    {
        std::vector<SuggestionModel> list{
            sampleSuggestion(SuggestionType::proactive, "Proactive Context", "Quillmarker · overlay polish"),
            sampleSuggestion(SuggestionType::knowledge, "Sprint notes", "…ships on Friday after QA…"),
            sampleSuggestion(SuggestionType::mcp, "Open ticket QM-12", "Pushed by linear-mcp"),
            sampleSuggestion(SuggestionType::live, "#FF8800", "Brand orange"),
        };
        panel->setSuggestions(list, 1, nullptr);
        panel->show(Rect(300, 200, 2, 18));
        loop.advance(OverlayPanelWidget::fadeInDuration);
        settle();
    }

    void openPrompt(const std::string& instruction)
    {
        panel->setSuggestions({}, 0, nullptr);
        center.post(CaptureNotifications::triggerAIQuickActions);
        panel->show(Rect(300, 200, 2, 18));
        center.post(CaptureNotifications::appendAIPromptChar, nullptr, UserInfo{{"text", instruction}});
        loop.advance(OverlayPanelWidget::fadeInDuration);
        settle();
    }

    QApplication& application = qtApplication();
    SimClock clock{0};
    SimMainLoop loop{clock};
    NotificationCenter center;
    UserDefaults defaults{""};
    QtScreens screens;
    StandInDesktop desktop{loop};
    std::vector<AIStreamHandler> streams;
    std::unique_ptr<OverlayPanelWidget> panel;
};

TEST_F(SuggestionScreenshots, ChipRowAndColumn)
{
    showChips();
    save(*panel, "suggestions-chip-row");
    panel->model().toggleOrientation();
    settle();
    save(*panel, "suggestions-chip-column");
}

TEST_F(SuggestionScreenshots, AIPromptComposingStreamingAnsweredAndFailed)
{
    openPrompt("make it sound calm and professional");
    save(*panel, "suggestions-ai-composing");

    center.post(CaptureNotifications::commitAIPrompt);
    ASSERT_EQ(streams.size(), 1u);
    streams[0].onChunk("Hi team, a quick update: the release will move slightly, as QA ");
    settle();
    save(*panel, "suggestions-ai-streaming");

    streams[0].onChunk("found a few issues in the overlay that we want to fix before it ships. "
                       "I'll share the new date once the fixes are verified.");
    streams[0].onEnd(std::nullopt);
    settle();
    save(*panel, "suggestions-ai-answered");

    center.post(CaptureNotifications::triggerAIQuickActions);
    center.post(CaptureNotifications::cycleAIActionRight);
    center.post(CaptureNotifications::commitAIPrompt);
    ASSERT_EQ(streams.size(), 2u);
    streams[1].onEnd(PlatformError("AnthropicService", 401, "Anthropic API Key not found in Keychain"));
    settle();
    save(*panel, "suggestions-ai-failed");
}

}  // namespace
}  // namespace qm::test
