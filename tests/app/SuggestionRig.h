#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AITextInserter.h"
#include "app/PlaceholderNavigator.h"
#include "app/SuggestionDisplay.h"
#include "app/SuggestionInserter.h"
#include "capture/CaptureRouterAccessibilityFilter.h"
#include "capture/EventTapManager.h"
#include "platform/sim/accessibility/SimTextFieldSpec.h"
#include "shell/PermissionsManager.h"
#include "suggestions/sim/SimOverlayPanel.h"
#include "support/StandInApp.h"

namespace qm::test {

// The suggestion display, insertion, placeholders and AI insertion of the
// app composed on the stand-in desktop, over the stand-in panel and a
// provider that answers what the test sets, on the next turn of the main
// loop. Two applications, each with a focused one-line field: a native
// editor (Accessibility edits) and a browser (synthetic keys). Accessibility
// goes through a filter that can refuse or ignore writes.
class SuggestionRig : public ::testing::Test {
public:
    static constexpr const char* nativeId = "com.apple.TextEdit";
    static constexpr const char* browserId = "com.google.Chrome";

    SuggestionRig()
        : native(desktop.addApplication(nativeId, "TextEdit")),
          browser(desktop.addApplication(browserId, "Chrome")), nativeField(addField(native)),
          browserField(addField(browser))
    {
        AppComposition::Options options;
        options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
        options.backgroundThreads = 1;
        AppComposition& app = stage.compose(stage.bundle(), std::move(options));
        desktop.trust().setTrusted(true);
        native.activate();
        tap = &app.eventTapManager();
        placeholders = std::make_unique<PlaceholderNavigator>(
            PlaceholderNavigator::Services{loop, stage.platform.notificationCenter, *accessibility, *tap});
        inserter = std::make_unique<SuggestionInserter>(
            SuggestionInserter::Services{*accessibility, desktop.workspace(), stage.platform.defaults,
                                         stage.platform.alerts, desktop.syntheticEvents(), *tap, panel,
                                         *placeholders},
            [this] { ++counterChanges; });
        display = std::make_unique<SuggestionDisplay>(
            SuggestionDisplay::Services{loop, stage.platform.notificationCenter, *accessibility,
                                        app.permissions(), desktop.workspace(), desktop.screens(), *tap,
                                        app.captureRouter(), panel},
            [this](const std::string& text, const std::string& bundleId, SuggestionDisplay::Completion done) {
                asked.push_back({text, bundleId});
                loop.post([answer = answer, done = std::move(done)] { done(answer); });
            },
            [this](const SuggestionModel& suggestion) { inserter->accept(suggestion); });
        aiInserter = std::make_unique<AITextInserter>(AITextInserter::Services{
            stage.platform.notificationCenter, *accessibility, desktop.syntheticEvents(), *tap, panel});
        loop.runUntilIdle();
    }

    ~SuggestionRig() override
    {
        tap->setDelegate(nullptr);
        aiInserter.reset();
        display.reset();
        inserter.reset();
        placeholders.reset();
        stage.app.reset();
        loop.runUntilIdle();
    }

    static SimTextField addField(const SimApplication& app)
    {
        SimTextFieldSpec spec;
        spec.frame = Rect(100, 100, 400, 22);
        SimTextField field = app.addWindow("Draft", Rect(0, 25, 800, 600)).addTextField(spec);
        field.focus();
        return field;
    }

    static SuggestionModel suggestion(SuggestionType type, std::string action, std::int64_t priority = 5,
                                      std::string title = "")
    {
        SuggestionModel model;
        model.type = type;
        model.action = std::move(action);
        model.title = title.empty() ? model.action : std::move(title);
        model.priority = priority;
        return model;
    }

    // The field holds `value` with the caret at `caret` (UTF-16; the end when
    // absent), and the tap's typing state says `prefix` of the word is typed.
    void prepare(SimTextField& field, const std::string& value, const std::string& prefix,
                 std::optional<std::int64_t> caret = std::nullopt)
    {
        field.setValue(value);
        if (caret) {
            field.select({*caret, 0});
        }
        tap->setCurrentWordPrefix(prefix);
        loop.runUntilIdle();
    }

    std::int64_t counter(const char* key) { return stage.platform.defaults.integerForKey(key); }

    StandInApp stage;
    SimClock& clock = stage.platform.clock;
    SimMainLoop& loop = stage.platform.loop;
    StandInDesktop& desktop = stage.platform.desktop;
    std::shared_ptr<CaptureRouterAccessibilityFilter> accessibility =
        std::make_shared<CaptureRouterAccessibilityFilter>(desktop.accessibility());
    SimApplication native;
    SimApplication browser;
    SimTextField nativeField;
    SimTextField browserField;
    SimOverlayPanel panel;
    EventTapManager* tap = nullptr;
    std::unique_ptr<PlaceholderNavigator> placeholders;
    std::unique_ptr<SuggestionInserter> inserter;
    std::unique_ptr<SuggestionDisplay> display;
    std::unique_ptr<AITextInserter> aiInserter;

    // What the provider answers, and what it was asked: text and bundle id.
    std::vector<SuggestionModel> answer;
    std::vector<std::pair<std::string, std::string>> asked;
    int counterChanges = 0;
};

}  // namespace qm::test
