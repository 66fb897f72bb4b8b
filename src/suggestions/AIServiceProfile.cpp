#include "suggestions/AIServiceProfile.h"

#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

#include "base/Json.h"

namespace qm {

AIServiceProfile AIServiceProfile::cloud(std::string name, std::string errorDomain, SecretLoader secrets,
                                         std::string secretKey)
{
    std::string missingMessage = name + " API key is missing in Keychain.";
    AIServiceProfile profile;
    profile.name = std::move(name);
    profile.errorDomain = std::move(errorDomain);
    profile.shapeError = "Failed to parse response JSON.";
    profile.streamStatusPrefix = "HTTP Stream Error ";
    profile.apiKey =
        ApiKey{std::move(secrets), "QuillmarkerAI", std::move(secretKey), std::move(missingMessage)};
    return profile;
}

HttpRequest AIServiceProfile::post(std::string url, Headers headers, const nlohmann::json& body,
                                   double idleTimeout)
{
    HttpRequest request;
    request.method = "POST";
    request.url = std::move(url);
    request.headers = std::move(headers);
    request.body = json::serialize(body);
    request.idleTimeout = idleTimeout;
    return request;
}

nlohmann::json AIServiceProfile::chatBody(const std::string& prompt, const std::string& model)
{
    return {{"model", model}, {"messages", nlohmann::json::array({{{"role", "user"}, {"content", prompt}}})}};
}

const nlohmann::json* AIServiceProfile::firstOfObjects(const nlohmann::json& reply, std::string_view key)
{
    const auto* array = json::arrayAt(reply, key);
    if (!array || array->empty() ||
        !std::all_of(array->begin(), array->end(), [](const auto& item) { return item.is_object(); })) {
        return nullptr;
    }
    return &array->front();
}

}  // namespace qm
