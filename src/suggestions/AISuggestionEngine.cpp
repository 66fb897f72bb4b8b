#include "suggestions/AISuggestionEngine.h"

#include <atomic>
#include <stdexcept>
#include <utility>

#include "base/Sha256.h"
#include "base/Text.h"
#include "platform/network/UrlError.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

namespace {

std::int64_t estimatedTokens(const std::string& text)
{
    return static_cast<std::int64_t>(text::graphemeCount(text) / 4);
}

}  // namespace

// One streamed answer on its way from the service to the caller.
struct AISuggestionEngine::StreamState {
    std::string cacheKey;
    CancellationToken cancel;
    AIStreamHandler handler;
    // The answer so far; touched only by the service's stream thread.
    std::string answer;
};

AISuggestionEngine::AISuggestionEngine(UserDefaults& defaults, const Clock& clock, MainLoop& mainLoop,
                                       Workspace& workspace, Accessibility& accessibility,
                                       FocusedDomainLookup focusedDomain, std::unique_ptr<AIProvider> openai,
                                       std::unique_ptr<AIProvider> anthropic,
                                       std::unique_ptr<AIProvider> ollama)
    : defaults_(defaults), clock_(clock), mainLoop_(mainLoop), workspace_(workspace),
      accessibility_(accessibility), focusedDomain_(std::move(focusedDomain)), openai_(std::move(openai)),
      anthropic_(std::move(anthropic)), ollama_(std::move(ollama)), responseCache_(clock)
{
    if (!openai_ || !anthropic_ || !ollama_) {
        throw std::invalid_argument("AISuggestionEngine needs all three services");
    }
}

AISuggestionEngine::~AISuggestionEngine()
{
    std::unique_lock lock(streamsMutex_);
    streamsEnded_.wait(lock, [this] { return runningStreams_ == 0; });
}

// --- Settings ---

std::string AISuggestionEngine::activeProviderName() const
{
    return defaults_.stringForKey(kProviderKey).value_or("openai");
}

void AISuggestionEngine::setActiveProviderName(const std::string& name)
{
    defaults_.set(kProviderKey, name);
}

std::string AISuggestionEngine::activeModelName() const
{
    if (auto model = defaults_.stringForKey(kModelKey); model && !model->empty()) {
        return *model;
    }
    const std::string provider = activeProviderName();
    if (provider == "anthropic") {
        return "claude-3-5-sonnet-20241022";
    }
    if (provider == "ollama") {
        return "llama3";
    }
    return "gpt-4o";
}

void AISuggestionEngine::setActiveModelName(const std::string& model)
{
    defaults_.set(kModelKey, model);
}

bool AISuggestionEngine::isEnhancedContextEnabled() const
{
    const auto stored = defaults_.objectForKey(kEnhancedContextKey);
    const bool* flag = stored ? stored->get<bool>() : nullptr;
    return flag ? *flag : true;
}

void AISuggestionEngine::setEnhancedContextEnabled(bool enabled)
{
    defaults_.set(kEnhancedContextKey, enabled);
}

bool AISuggestionEngine::isDirectInputAIEnabled() const
{
    const auto stored = defaults_.objectForKey(kDirectInputKey);
    const bool* flag = stored ? stored->get<bool>() : nullptr;
    return flag ? *flag : true;
}

void AISuggestionEngine::setDirectInputAIEnabled(bool enabled)
{
    defaults_.set(kDirectInputKey, enabled);
}

std::int64_t AISuggestionEngine::totalTokensUsed() const
{
    return defaults_.integerForKey(kTotalTokensKey);
}

void AISuggestionEngine::setTotalTokensUsed(std::int64_t tokens)
{
    std::lock_guard lock(tokensMutex_);
    defaults_.set(kTotalTokensKey, tokens);
}

void AISuggestionEngine::resetTokenStats()
{
    setTotalTokensUsed(0);
}

void AISuggestionEngine::addTokens(std::int64_t tokens)
{
    std::lock_guard lock(tokensMutex_);
    defaults_.set(kTotalTokensKey, defaults_.integerForKey(kTotalTokensKey) + tokens);
}

AIProvider& AISuggestionEngine::getActiveProvider()
{
    const std::string provider = activeProviderName();
    if (provider == "anthropic") {
        return *anthropic_;
    }
    if (provider == "ollama") {
        return *ollama_;
    }
    return *openai_;
}

// --- Cache ---

std::string AISuggestionEngine::cacheKey(const std::string& provider, const std::string& model,
                                         const AIActionType& action, const std::string& builtPrompt) const
{
    // Each part with its length, so no two requests can run together into one
    // key; hashed, so the user's text is not held twice.
    std::string parts;
    for (const std::string& part : {provider, model, action.label(), builtPrompt}) {
        parts += std::to_string(part.size());
        parts += ':';
        parts += part;
    }
    return Sha256::hexDigest(parts);
}

std::optional<std::string> AISuggestionEngine::getCachedResponse(const std::string& key)
{
    return responseCache_.get(key);
}

void AISuggestionEngine::setCachedResponse(const std::string& key, const std::string& response)
{
    responseCache_.set(key, response);
}

// --- Answers ---

AISuggestion AISuggestionEngine::generateAIResponse(const std::string& prompt, const AIActionType& action,
                                                    int maxTokens, const CancellationToken& cancel)
{
    const std::string providerName = activeProviderName();
    AIProvider& provider = getActiveProvider();
    const std::string builtPrompt = buildFinalPrompt(prompt, action);
    const std::string model = activeModelName();
    const std::string key = cacheKey(providerName, model, action, builtPrompt);

    if (auto cached = getCachedResponse(key)) {
        const auto tokens = estimatedTokens(*cached);
        return AISuggestion{Uuid::random(), std::move(*cached), providerName, model,
                            prompt,         action.label(),     clock_.now(), tokens};
    }

    std::string answer = provider.generateResponse(builtPrompt, model, maxTokens, cancel);
    setCachedResponse(key, answer);
    const auto tokens =
        static_cast<std::int64_t>((text::graphemeCount(builtPrompt) + text::graphemeCount(answer)) / 4);
    addTokens(tokens);
    return AISuggestion{Uuid::random(), std::move(answer), provider.name(), model,
                        prompt,         action.label(),    clock_.now(),    tokens};
}

void AISuggestionEngine::streamAIResponse(const std::string& prompt, const AIActionType& action,
                                          int maxTokens, const CancellationToken& cancel,
                                          AIStreamHandler handler)
{
    const std::string providerName = activeProviderName();
    AIProvider& provider = getActiveProvider();
    const std::string builtPrompt = buildFinalPrompt(prompt, action);
    addTokens(estimatedTokens(builtPrompt));
    const std::string model = activeModelName();

    // The key is taken now: an answer is cached under the provider and model
    // that made it, even if the settings change while it streams.
    auto state = std::make_shared<StreamState>(
        StreamState{cacheKey(providerName, model, action, builtPrompt), cancel, std::move(handler), {}});
    {
        std::lock_guard lock(streamsMutex_);
        ++runningStreams_;
    }
    provider.streamResponse(builtPrompt, model, maxTokens, cancel,
                            AIStreamHandler{[this, state](const std::string& chunk) {
                                                state->answer += chunk;
                                                mainLoop_.post([state, chunk] {
                                                    if (!state->cancel.isCancelled() &&
                                                        state->handler.onChunk) {
                                                        state->handler.onChunk(chunk);
                                                    }
                                                });
                                            },
                                            [this, state](const std::optional<PlatformError>& failure) {
                                                streamEnded(state, failure);
                                            }});
}

void AISuggestionEngine::streamEnded(const std::shared_ptr<StreamState>& state,
                                     const std::optional<PlatformError>& failure)
{
    std::optional<PlatformError> outcome = failure;
    if (!outcome && state->cancel.isCancelled()) {
        outcome = UrlError::make(UrlError::cancelled);
    }
    if (!outcome) {
        setCachedResponse(state->cacheKey, state->answer);
        addTokens(estimatedTokens(state->answer));
    }
    mainLoop_.post([state, outcome] {
        auto end = outcome;
        if (!end && state->cancel.isCancelled()) {
            end = UrlError::make(UrlError::cancelled);
        }
        if (state->handler.onEnd) {
            state->handler.onEnd(end);
        }
    });
    std::lock_guard lock(streamsMutex_);
    --runningStreams_;
    streamsEnded_.notify_all();
}

}  // namespace qm
