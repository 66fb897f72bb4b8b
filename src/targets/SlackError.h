#pragma once

#include <string>
#include <string_view>

#include "base/PlatformError.h"

namespace qm {

// A failure of the Slack target or its Web API calls: a PlatformError in the
// domain "SlackTarget" whose description is the sentence the user sees. The
// description never holds the token: any occurrence is masked on the way in.
class SlackError : public PlatformError {
public:
    static constexpr const char* kDomain = "SlackTarget";

    enum class Code : long {
        notConnected = 1,      // no usable token in the secret store
        listConnection = 2,    // a list call got a status other than 200 and 429
        listInvalidJSON = 3,   // a list answer whose top level is not an object
        listAPIError = 4,      // a list answer with "ok" false
        noOptionSelected = 5,  // a send without a real picker row
        postConnection = 6,    // the post got a status other than 200
        postInvalidJSON = 7,   // a post answer whose top level is not an object
        postAPIError = 8,      // a post answer with "ok" false
        rateLimited = 9,       // a list call got 429
    };

    // `token` (when not empty) is replaced in `description` by "[token]".
    SlackError(Code code, std::string_view description, std::string_view token = {});

    Code slackCode() const { return static_cast<Code>(code()); }

    static std::string masked(std::string_view text, std::string_view token);
};

}  // namespace qm
