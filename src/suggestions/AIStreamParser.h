#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "suggestions/AIStreamEvent.h"
#include "suggestions/StreamLineSplitter.h"

namespace qm {

// Reads a streamed reply line by line as its bytes arrive, however they are
// split. Each service reads its own line format (parseLine); lines that mean
// nothing are skipped. After a `done` or `failure` event nothing more is read.
class AIStreamParser {
public:
    virtual ~AIStreamParser() = default;

    // The events of the lines that `bytes` completes.
    std::vector<AIStreamEvent> feed(std::string_view bytes);
    // The events of a last line without a break, at the end of the body.
    std::vector<AIStreamEvent> finish();

    // A `done` or `failure` event has been given.
    bool isFinished() const { return finished_; }

protected:
    // The event of one complete line (without its break), if it has one.
    virtual std::optional<AIStreamEvent> parseLine(std::string_view line) = 0;

    // The rest of a server-sent-event line that carries data ("data: " and then
    // the JSON), trimmed; nothing for every other line, including "data:"
    // without the space.
    static std::optional<std::string> eventData(std::string_view line);

    // The message of an error the reply reports inside a stream: a member
    // "error" holding a text or an object (its "message", else its JSON text),
    // or "type" "error".
    static std::optional<std::string> streamErrorMessage(const nlohmann::json& object);

private:
    std::vector<AIStreamEvent> parseLines(std::vector<std::string> lines);

    StreamLineSplitter lines_;
    bool finished_ = false;
};

}  // namespace qm
