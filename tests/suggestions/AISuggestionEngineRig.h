#pragma once

// An AI engine on the stand-in desktop, with a manual clock and main loop,
// in-memory user defaults and a scripted domain lookup.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "suggestions/AISuggestionEngine.h"
#include "suggestions/FakeAIProvider.h"

namespace qm::test {

class AISuggestionEngineRig {
public:
    AISuggestionEngine& make(std::unique_ptr<AIProvider> openai, std::unique_ptr<AIProvider> anthropic,
                             std::unique_ptr<AIProvider> ollama)
    {
        engine = std::make_unique<AISuggestionEngine>(
            defaults, clock, loop, desktop.workspace(), desktop.accessibility(),
            [this](const AXUIElement& focused) {
                domainAskedFor.push_back(focused);
                return domain;
            },
            std::move(openai), std::move(anthropic), std::move(ollama));
        return *engine;
    }

    // An engine over three scripted services, kept reachable here.
    AISuggestionEngine& makeWithFakes()
    {
        auto openaiFake = std::make_unique<FakeAIProvider>("OpenAI");
        auto anthropicFake = std::make_unique<FakeAIProvider>("Anthropic");
        auto ollamaFake = std::make_unique<FakeAIProvider>("Local Ollama");
        openai = openaiFake.get();
        anthropic = anthropicFake.get();
        ollama = ollamaFake.get();
        return make(std::move(openaiFake), std::move(anthropicFake), std::move(ollamaFake));
    }

    // A frontmost editor whose focused field holds `value`, with `selected`
    // UTF-16 units selected from `selectionStart`.
    SimTextField focusField(const std::string& value, AXTextRange selection = {},
                            const std::string& bundleId = "com.example.editor")
    {
        auto app = desktop.addApplication(bundleId, "Editor");
        auto window = app.addWindow("Draft");
        SimTextFieldSpec spec;
        spec.kind = SimTextKind::multiLine;
        spec.value = value;
        auto field = window.addTextField(spec);
        field.focus();
        app.activate();
        field.select(selection);
        loop.runUntilIdle();
        return field;
    }

    SimClock clock;
    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    UserDefaults defaults{""};
    std::optional<std::string> domain;
    std::vector<AXUIElement> domainAskedFor;
    FakeAIProvider* openai = nullptr;
    FakeAIProvider* anthropic = nullptr;
    FakeAIProvider* ollama = nullptr;
    // Last: goes first, while everything it uses is still there.
    std::unique_ptr<AISuggestionEngine> engine;
};

}  // namespace qm::test
