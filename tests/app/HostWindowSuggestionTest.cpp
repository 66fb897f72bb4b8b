// Inline suggestions in the running program's own window, as a person meets
// them: keys typed through Qt into the host window's field go the real way
// (Qt key event, stand-in keyboard, event tap, field), and the Qt suggestion
// panel shows what a local tool pushed.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/AssistantServices.h"
#include "app/views/DesktopApplication.h"
#include "base/Paths.h"
#include "capture/EventTapManager.h"
#include "knowledge/MCPSuggestionQueue.h"
#include "platform/keyboard/KeyEventFlags.h"
#include "platform/runtime/Clock.h"
#include "platform/sim/views/HostTextFieldWidget.h"
#include "platform/storage/UserDefaults.h"
#include "screenshots/Screenshot.h"
#include "settings/views/SettingsWindowController.h"
#include "settings/views/SettingsWindowWidget.h"
#include "settings/views/ShortcutKeyIndicator.h"
#include "settings/views/ShortcutsPage.h"
#include "shell/AppUpdateChecker.h"
#include "suggestions/views/OverlayPanelWidget.h"
#include "suggestions/views/SuggestionChipWidget.h"
#include "suggestions/views/SuggestionViewWidget.h"
#include "support/QtTestApplication.h"
#include "support/TempDir.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;

// A person's pace: each key is through the tap before the next one comes.
constexpr int kKeyDelayMs = 40;

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The suggestion panel among the program's windows, once it has been made.
OverlayPanelWidget* suggestionPanel()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* panel = dynamic_cast<OverlayPanelWidget*>(widget)) {
            return panel;
        }
    }
    return nullptr;
}

bool panelShows(const std::string& title)
{
    OverlayPanelWidget* panel = suggestionPanel();
    if (!panel || !panel->isVisible()) {
        return false;
    }
    for (const auto& suggestion : panel->model().suggestions()) {
        if (suggestion.title == title) {
            return true;
        }
    }
    return false;
}

// One run of the program with a display, in `home`, past onboarding.
class ProgramRun {
public:
    explicit ProgramRun(const TempDir& home)
    {
        qtApplication();
        DesktopApplication::Options options;
        options.applicationSupport = home / "data";
        options.defaultsFile = home / "config" / paths::kBundleIdentifier / "defaults.json";
        // A field the field-kind detection knows: its title says it takes an email.
        options.hostWindow.bundleIdentifier = "com.example.mail";
        options.hostWindow.applicationName = "Mail";
        options.hostWindow.windowTitle = "Email";
        {
            UserDefaults defaults(options.defaultsFile);
            defaults.set("hasCompletedOnboarding", true);
            defaults.set("hasSelectedShortcut", true);
            // Checked just now: the run stays off the network.
            defaults.set(std::string(AppUpdateChecker::lastCheckKey), Clock::system().now());
            defaults.synchronize();
        }
        program = std::make_unique<DesktopApplication>(std::move(options));
        program->launch();
        field().setFocus(Qt::OtherFocusReason);
    }

    ~ProgramRun()
    {
        program->terminate();
        program.reset();
        QApplication::processEvents();
    }

    HostTextFieldWidget& field() { return program->hostWindow().fieldWidget(); }
    std::string value() { return program->hostWindow().field().value(); }

    bool waitForTap()
    {
        return pumpQtUntil([this] { return program->composition().eventTapManager().eventTap() != nullptr; });
    }

    void type(const char* text)
    {
        QTest::keyClicks(&field(), QString::fromUtf8(text), Qt::NoModifier, kKeyDelayMs);
        pumpQtFor(300ms);
    }

    std::unique_ptr<DesktopApplication> program;
};

// The host window with the panel where it shows beside the caret, as one picture.
void saveDesktop(QWidget& window, QWidget& panel, const std::string& name)
{
    QApplication::processEvents();
    const QRect area = window.frameGeometry().united(panel.geometry()).adjusted(-16, -16, 16, 16);
    QImage image(area.size(), QImage::Format_ARGB32);
    image.fill(QColor(0x6b, 0x7a, 0x8f));
    QPainter painter(&image);
    painter.drawPixmap(window.geometry().topLeft() - area.topLeft(), window.grab());
    painter.drawPixmap(panel.geometry().topLeft() - area.topLeft(), panel.grab());
    painter.end();
    const auto file = screenshotFolder() / (name + ".png");
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()))) << file;
    std::printf("screenshot: %s (%d x %d)\n", file.c_str(), image.width(), image.height());
}

// A local tool has pushed a suggestion; the user has typed the first letters
// of it and summoned the panel with Control+Space.
class HostWindowSuggestionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        second = std::make_unique<ProgramRun>(home);
        ASSERT_TRUE(second->waitForTap());
        second->program->composition().assistant()->suggestionQueue().push(nlohmann::json::array(
            {{{"title", kPushed}, {"actionText", "ada@example.com"}, {"ttlSeconds", 60}}}));
        second->type("ad");
        ASSERT_EQ(second->value(), "ad");
        // The pause after typing shows mistakes only: the rest waits for a summon.
        EXPECT_FALSE(panelShows(kPushed));

        // Control+Space: the platform's Control is typed with Super (Qt's Meta).
        QTest::keyClick(&second->field(), Qt::Key_Space, Qt::MetaModifier);
        ASSERT_TRUE(pumpQtUntil([] { return panelShows(kPushed); }));
        panel = suggestionPanel();
        ASSERT_TRUE(pumpQtUntil([this] { return panel->alpha() >= 1.0; }));
        EXPECT_TRUE(second->program->composition().eventTapManager().isSuggestionsOverlayVisible());
        // The summon's keys went to the tap, not into the field.
        EXPECT_EQ(second->value(), "ad");
    }

    void TearDown() override { second.reset(); }

    // The field after the panel went away, given a moment for late keys.
    std::string valueOnceChosen()
    {
        EXPECT_TRUE(pumpQtUntil([this] { return !panel->isVisible(); }));
        pumpQtFor(200ms);
        return second->value();
    }

    static constexpr const char* kPushed = "Write to Ada";
    TempDir home;
    std::unique_ptr<ProgramRun> second;
    OverlayPanelWidget* panel = nullptr;
};

TEST_F(HostWindowSuggestionTest, ReturnInsertsTheSummonedAddressOnce)
{
    ASSERT_FALSE(panel->view().chips().empty());
    saveDesktop(second->program->hostWindow(), *panel, "host-window-suggestion");

    QTest::keyClick(&second->field(), Qt::Key_Return);
    const std::string value = valueOnceChosen();
    EXPECT_EQ(value, "ada@example.com ");
    EXPECT_EQ(occurrences(value, "ada"), 1u);
}

TEST_F(HostWindowSuggestionTest, AClickOnTheChipInsertsTheAddressOnceAndKeepsTheKeyboardInTheField)
{
    SuggestionChipWidget* chip = nullptr;
    for (SuggestionChipWidget* shown : panel->view().chips()) {
        if (shown->chip().model().title == kPushed) {
            chip = shown;
        }
    }
    ASSERT_NE(chip, nullptr);
    QTest::mouseClick(chip, Qt::LeftButton, Qt::NoModifier, chip->rect().center());
    const std::string value = valueOnceChosen();
    EXPECT_EQ(value, "ada@example.com ");
    EXPECT_EQ(occurrences(value, "ada"), 1u);

    // The user goes on typing in the same field.
    second->type("x");
    EXPECT_EQ(second->value(), "ada@example.com x");
}

// The trigger keys recorded on the Shortcuts page with the physical keys, then
// used with the same keys in the host window: Super is the platform's Control
// and Ctrl its Command, for the recorder as for the event tap.
TEST(HostWindowShortcutTest, ModifiersRecordedInTheSettingsWindowPickSuggestionsWithTheSameKeys)
{
    TempDir home;
    ProgramRun run(home);
    ASSERT_TRUE(run.waitForTap());
    run.program->openSettings(SettingsSection::shortcuts);
    SettingsWindowWidget* window = run.program->settingsWindow().window();
    ASSERT_NE(window, nullptr);
    auto* page = dynamic_cast<ShortcutsPage*>(window->page());
    ASSERT_NE(page, nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    page->recordButton()->setFocus(Qt::OtherFocusReason);
    const auto held = [] { return QApplication::focusWidget(); };

    // Ctrl alone is Command: refused, with the reason in the error box.
    QTest::mouseClick(page->recordButton(), Qt::LeftButton);
    QTest::keyPress(held(), Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(page->errorBox()->isVisibleTo(page));
    EXPECT_TRUE(page->pills()[3]->isActive()) << "the Command pill";
    EXPECT_FALSE(page->pills()[0]->isActive());
    QTest::keyClick(held(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyRelease(held(), Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(page->errorBox()->isVisibleTo(page));

    // Super and Alt: Control and Option.
    QTest::mouseClick(page->recordButton(), Qt::LeftButton);
    QTest::keyPress(held(), Qt::Key_Meta, Qt::MetaModifier);
    EXPECT_FALSE(page->errorBox()->isVisibleTo(page));
    QTest::keyPress(held(), Qt::Key_Alt, Qt::MetaModifier | Qt::AltModifier);
    QTest::keyClick(held(), Qt::Key_A, Qt::MetaModifier | Qt::AltModifier);
    QTest::keyRelease(held(), Qt::Key_Alt, Qt::MetaModifier);
    QTest::keyRelease(held(), Qt::Key_Meta, Qt::NoModifier);
    EXPECT_FALSE(page->errorBox()->isVisibleTo(page));
    EXPECT_EQ(run.program->composition().eventTapManager().shortcutModifiers(),
              KeyEventFlags::control | KeyEventFlags::alternate);
    window->close();

    run.program->hostWindow().activateWindow();
    run.field().setFocus(Qt::OtherFocusReason);
    run.program->composition().assistant()->suggestionQueue().push(nlohmann::json::array(
        {{{"title", "Standup notes"}, {"actionText", "see standup notes"}, {"ttlSeconds", 60}}}));
    run.type("re");
    QTest::keyClick(&run.field(), Qt::Key_Space, Qt::MetaModifier);
    ASSERT_TRUE(pumpQtUntil([] { return panelShows("Standup notes"); }));
    QTest::keyClick(&run.field(), Qt::Key_1, Qt::MetaModifier | Qt::AltModifier);
    EXPECT_TRUE(pumpQtUntil([&] { return run.value().find("see standup notes") != std::string::npos; }))
        << run.value();
}

}  // namespace
}  // namespace qm::test
