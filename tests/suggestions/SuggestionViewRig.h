#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CaptureNotifications.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/CancellationToken.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "suggestions/AIPromptServices.h"
#include "suggestions/SuggestionNotifications.h"
#include "suggestions/SuggestionViewModel.h"

namespace qm::test {

// The panel's content on the manual loop, with a scripted AI stream: each
// request is recorded with its handler, and the test plays the pieces and
// the end. "InsertAIText" posts are recorded too.
class SuggestionViewRig : public ::testing::Test {
protected:
    struct StreamRequest {
        std::string prompt;
        AIActionType action;
        int maxTokens = 0;
        CancellationToken cancel;
        AIStreamHandler handler;
    };

    SuggestionViewRig()
    {
        insertObserver = center.addObserver(
            SuggestionNotifications::insertAIText, nullptr, [this](const Notification& note) {
                inserted.push_back(note.userInfo.get<std::string>(SuggestionNotifications::insertAITextKey)
                                       .value_or("<no text>"));
                promptModeWhenInserted = model->isAIPromptMode();
            });
        model = std::make_unique<SuggestionViewModel>(loop, center, defaults, services());
    }

    ~SuggestionViewRig() override
    {
        model.reset();
        center.removeObserver(insertObserver);
    }

    AIPromptServices services()
    {
        return {
            .providerName = [this] { return providerName; },
            .modelName = [this] { return modelName; },
            .selectedText = [this] { return selectedText; },
            .stream =
                [this](const std::string& prompt, const AIActionType& action, int maxTokens,
                       const CancellationToken& cancel, AIStreamHandler handler) {
                    requests.push_back({prompt, action, maxTokens, cancel, std::move(handler)});
                },
        };
    }

    void post(const char* name, UserInfo userInfo = {}) { center.post(name, nullptr, std::move(userInfo)); }
    void trigger() { post(CaptureNotifications::triggerAIQuickActions); }
    void commit() { post(CaptureNotifications::commitAIPrompt); }
    void cancel() { post(CaptureNotifications::cancelAIPrompt); }
    void type(const std::string& text)
    {
        post(CaptureNotifications::appendAIPromptChar, UserInfo{{"text", text}});
    }
    void chunk(std::size_t request, const std::string& text) { requests.at(request).handler.onChunk(text); }
    void end(std::size_t request, std::optional<PlatformError> failure = std::nullopt)
    {
        requests.at(request).handler.onEnd(failure);
    }

    SimClock clock;
    SimMainLoop loop{clock};
    NotificationCenter center;
    UserDefaults defaults{""};
    std::string providerName = "openai";
    std::string modelName = "gpt-4o";
    std::optional<std::string> selectedText;
    std::vector<StreamRequest> requests;
    std::vector<std::string> inserted;
    bool promptModeWhenInserted = false;
    NotificationCenter::ObserverToken insertObserver;
    std::unique_ptr<SuggestionViewModel> model;
};

}  // namespace qm::test
