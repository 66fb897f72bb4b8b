#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/runtime/CancellationToken.h"
#include "suggestions/AIActionType.h"
#include "suggestions/AIProvider.h"
#include "suggestions/AIResponseCache.h"
#include "suggestions/AIStreamHandler.h"
#include "suggestions/AISuggestion.h"
#include "suggestions/FocusedDomainLookup.h"

namespace qm {

class Accessibility;
class Clock;
class MainLoop;
class UserDefaults;
class Workspace;

// The single entry point of the AI writing assistant: picks the language-model
// service from the user's settings, gathers context from the focused text field,
// wraps the user's text and the action into one prompt, and returns a whole
// answer or streams one. Whole answers are cached for five minutes, keyed on
// the provider, the model, the action and the complete prompt (context
// included, so an answer for one selection is never served for another). A
// running estimate of the tokens used is kept in the user defaults.
//
// Settings are read from the defaults on every use, so a change applies to the
// next request. The engine writes no log and shows no message.
class AISuggestionEngine {
public:
    static constexpr const char* kProviderKey = "aiProvider";
    static constexpr const char* kModelKey = "aiModel";
    static constexpr const char* kEnhancedContextKey = "isEnhancedContextEnabled";
    static constexpr const char* kDirectInputKey = "isDirectInputAIEnabled";
    static constexpr const char* kTotalTokensKey = "totalTokensUsed";
    // The tail of the focused field's value that goes into the prompt, in
    // user-perceived characters.
    static constexpr std::size_t kSurroundingCharacters = 1000;

    // What the engine gathered about the user's work, each part absent when it
    // could not be read.
    struct HarvestedContext {
        std::optional<std::string> selectedText;
        std::optional<std::string> surroundingValue;
        std::optional<std::string> appBundleId;
        std::optional<std::string> domain;

        friend bool operator==(const HarvestedContext&, const HarvestedContext&) = default;
    };

    // The engine owns the three services. Streamed pieces and ends are reported
    // on `mainLoop`. Every reference must outlive the engine.
    AISuggestionEngine(UserDefaults& defaults, const Clock& clock, MainLoop& mainLoop, Workspace& workspace,
                       Accessibility& accessibility, FocusedDomainLookup focusedDomain,
                       std::unique_ptr<AIProvider> openai, std::unique_ptr<AIProvider> anthropic,
                       std::unique_ptr<AIProvider> ollama);
    // Waits for the streams still running to end.
    ~AISuggestionEngine();
    AISuggestionEngine(const AISuggestionEngine&) = delete;
    AISuggestionEngine& operator=(const AISuggestionEngine&) = delete;

    // "aiProvider"; "openai" when absent (an empty stored value stays empty).
    std::string activeProviderName() const;
    void setActiveProviderName(const std::string& name);
    // "aiModel" when it is a non-empty text, else the provider's default model:
    // "claude-3-5-sonnet-20241022" for "anthropic", "llama3" for "ollama",
    // "gpt-4o" for everything else.
    std::string activeModelName() const;
    void setActiveModelName(const std::string& model);
    // Stored Booleans; true when absent or of another type.
    bool isEnhancedContextEnabled() const;
    void setEnhancedContextEnabled(bool enabled);
    bool isDirectInputAIEnabled() const;
    void setDirectInputAIEnabled(bool enabled);
    std::int64_t totalTokensUsed() const;
    void setTotalTokensUsed(std::int64_t tokens);
    void resetTokenStats();

    // The Anthropic service for "anthropic", the Ollama service for "ollama"
    // (both exactly), the OpenAI service for anything else.
    AIProvider& getActiveProvider();

    // Reads the focused element of the frontmost application. Never fails:
    // what cannot be read is absent. Any thread.
    HarvestedContext harvestContext() const;

    // The complete prompt sent to the service: the context blocks (when enhanced
    // context is on), the action's instruction, and `basePrompt` unchanged.
    std::string buildFinalPrompt(const std::string& basePrompt, const AIActionType& action) const;

    // One whole answer, from the cache when the same request was answered less
    // than five minutes ago. Blocks the calling thread (never the main thread);
    // throws the service's error unchanged, caching and counting nothing then.
    AISuggestion generateAIResponse(const std::string& prompt, const AIActionType& action, int maxTokens,
                                    const CancellationToken& cancel);

    // Streams an answer. The prompt is built (and the context harvested) on the
    // calling thread before this returns; the pieces, then the end, are handed to
    // `handler` on the main thread. Once `cancel` is set on the main thread no
    // piece reaches the handler any more, the transfer stops, and the end reports
    // UrlError::cancelled. A stream that finished normally fills the cache for
    // later whole-answer requests; one that failed or was cancelled does not.
    void streamAIResponse(const std::string& prompt, const AIActionType& action, int maxTokens,
                          const CancellationToken& cancel, AIStreamHandler handler);

private:
    struct StreamState;

    std::string cacheKey(const std::string& provider, const std::string& model, const AIActionType& action,
                         const std::string& builtPrompt) const;
    std::optional<std::string> getCachedResponse(const std::string& key);
    void setCachedResponse(const std::string& key, const std::string& response);
    void addTokens(std::int64_t tokens);
    void streamEnded(const std::shared_ptr<StreamState>& state, const std::optional<PlatformError>& failure);

    UserDefaults& defaults_;
    const Clock& clock_;
    MainLoop& mainLoop_;
    Workspace& workspace_;
    Accessibility& accessibility_;
    FocusedDomainLookup focusedDomain_;
    std::unique_ptr<AIProvider> openai_;
    std::unique_ptr<AIProvider> anthropic_;
    std::unique_ptr<AIProvider> ollama_;

    // Serialises the read-add-write of the token counter.
    std::mutex tokensMutex_;

    std::mutex streamsMutex_;
    std::condition_variable streamsEnded_;
    int runningStreams_ = 0;

    AIResponseCache responseCache_;
};

}  // namespace qm
