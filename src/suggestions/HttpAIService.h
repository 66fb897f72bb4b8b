#pragma once

#include <memory>
#include <optional>
#include <string>

#include "suggestions/AIProvider.h"
#include "suggestions/AIServiceExchange.h"
#include "suggestions/AIServiceProfile.h"

namespace qm {

class ConcurrentQueue;
class HttpStreamClient;

// A language-model service reached over HTTP, whichever it is: the key's
// reading, the transfer, the stream's queue and the errors are the same for
// every service; its name, key, requests and replies' shapes are its
// AIServiceProfile's. No cache, no retry.
class HttpAIService final : public AIProvider {
public:
    // `http` and `streams` must outlive every request.
    HttpAIService(HttpStreamClient& http, ConcurrentQueue& streams, AIServiceProfile profile);

    const std::string& name() const override { return profile_->name; }
    bool isLocal() const override { return profile_->isLocal; }

    std::string generateResponse(const std::string& prompt, const std::optional<std::string>& model,
                                 int maxTokens, const CancellationToken& cancel) override;
    void streamResponse(const std::string& prompt, const std::optional<std::string>& model, int maxTokens,
                        const CancellationToken& cancel, AIStreamHandler handler) override;
    // The profile's probe with `key` (a stored key is not used): true for 200.
    bool validateApiKey(const std::string& key, const CancellationToken& cancel) override;

private:
    AIServiceExchange exchange_;
    ConcurrentQueue& streams_;
    // Shared with the streams still running, which may outlive the service.
    std::shared_ptr<const AIServiceProfile> profile_;
};

}  // namespace qm
