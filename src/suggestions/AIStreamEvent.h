#pragma once

#include <string>

namespace qm {

// What one line of a streamed reply means.
struct AIStreamEvent {
    enum class Kind {
        text,     // the next piece of the answer, in `text`
        done,     // the reply says it is complete; later lines are not read
        failure,  // the reply carries an error, whose message is `text`
    };

    Kind kind = Kind::text;
    std::string text;

    static AIStreamEvent piece(std::string text) { return {Kind::text, std::move(text)}; }
    static AIStreamEvent done() { return {Kind::done, {}}; }
    static AIStreamEvent failure(std::string message) { return {Kind::failure, std::move(message)}; }

    friend bool operator==(const AIStreamEvent&, const AIStreamEvent&) = default;
};

}  // namespace qm
