#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "support/FakeHttpServer.h"

namespace qm::test {

// The Slack Web API on 127.0.0.1: each method ("/api/users.list" ...) answers
// with what the test scripted for it, page by page; a method without a
// script answers 404. Requests are bounded by the FakeHttpServer underneath.
class FakeSlackServer {
public:
    using Answer = std::function<void(const FakeHttpServer::Request&, httplib::Response&)>;

    static constexpr const char* kChannels = "/api/conversations.list";
    static constexpr const char* kUsers = "/api/users.list";
    static constexpr const char* kPost = "/api/chat.postMessage";

    FakeSlackServer()
    {
        http.setHandler([this](const FakeHttpServer::Request& request, httplib::Response& response) {
            Answer answer;
            {
                std::lock_guard lock(mutex_);
                auto& queued = answers_[request.path];
                if (!queued.empty()) {
                    answer = queued.size() > 1 ? queued.front() : queued.back();
                    if (queued.size() > 1) {
                        queued.erase(queued.begin());
                    }
                }
            }
            if (answer) {
                answer(request, response);
            } else {
                response.status = 404;
            }
        });
    }

    // Answers for `method`, one per request in order; the last one repeats.
    void script(const std::string& method, std::vector<Answer> answers)
    {
        std::lock_guard lock(mutex_);
        answers_[method] = std::move(answers);
    }

    std::string apiHost() const { return http.baseURL(); }
    std::vector<FakeHttpServer::Request> requestsTo(const std::string& method) const
    {
        std::vector<FakeHttpServer::Request> found;
        for (auto& request : http.requests()) {
            if (request.path == method) {
                found.push_back(std::move(request));
            }
        }
        return found;
    }

    // The body as given (valid JSON or not), as application/json.
    static Answer body(std::string body, int status = 200)
    {
        return [body = std::move(body), status](const FakeHttpServer::Request&, httplib::Response& response) {
            FakeHttpServer::respondJson(response, body, status);
        };
    }
    static Answer json(const nlohmann::json& value, int status = 200) { return body(value.dump(), status); }
    // Holds the request until the server is released (or its time bound), then answers.
    Answer held(Answer then)
    {
        return [this, then = std::move(then)](const FakeHttpServer::Request& request,
                                              httplib::Response& response) {
            http.holdUntilReleased();
            then(request, response);
        };
    }

    // {"ok": true, "channels": [...], "response_metadata": {"next_cursor": cursor}}.
    static nlohmann::json channelsPage(const std::vector<std::pair<std::string, std::string>>& channels,
                                       const std::optional<std::string>& cursor = std::nullopt)
    {
        nlohmann::json page = {{"ok", true}, {"channels", nlohmann::json::array()}};
        for (const auto& [id, name] : channels) {
            page["channels"].push_back({{"id", id}, {"name", name}, {"is_channel", true}});
        }
        if (cursor) {
            page["response_metadata"] = {{"next_cursor", *cursor}};
        }
        return page;
    }
    // Members given as JSON objects, so that a test can write any field.
    static nlohmann::json usersPage(nlohmann::json members,
                                    const std::optional<std::string>& cursor = std::nullopt)
    {
        nlohmann::json page = {{"ok", true}, {"members", std::move(members)}};
        if (cursor) {
            page["response_metadata"] = {{"next_cursor", *cursor}};
        }
        return page;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::vector<Answer>> answers_;

public:
    // Last: stopped, with its handlers finished, before the scripts go.
    FakeHttpServer http{60};
};

}  // namespace qm::test
