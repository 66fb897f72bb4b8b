#pragma once

// The shared checks of the stream-parser fuzz targets. A reply's bytes may
// arrive cut anywhere, so the parser must give the same events for the whole
// body, for the body cut at a fuzzer-chosen point, and for the body one byte at
// a time; the events must be well formed (a done or failure only at the end,
// valid UTF-8 text); and no call's time may grow faster than its input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzBudget.h"
#include "base/Text.h"
#include "suggestions/AIStreamEvent.h"

namespace qm::fuzz {

template <class Parser> std::vector<AIStreamEvent> parseInPieces(const std::vector<std::string_view>& pieces)
{
    Parser parser;
    std::vector<AIStreamEvent> events;
    for (const auto piece : pieces) {
        for (auto& event : parser.feed(piece)) {
            events.push_back(std::move(event));
        }
    }
    for (auto& event : parser.finish()) {
        events.push_back(std::move(event));
    }
    return events;
}

template <class Parser> void checkStreamParser(const char* name, const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        parseInPieces<Parser>({});
        return;
    }
    // Byte 0 picks the cut, as a fraction of the body; the rest is the body.
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto cutOf = [share = data[0]](std::string_view text) { return (share * text.size()) / 255; };

    const auto whole = linearIn(name, "whole body", body,
                                [](const std::string& text) { return parseInPieces<Parser>({text}); });
    const auto halves = linearIn(name, "two pieces", body, [&cutOf](const std::string& text) {
        const std::string_view view(text);
        return parseInPieces<Parser>({view.substr(0, cutOf(view)), view.substr(cutOf(view))});
    });
    const auto bytes = linearIn(name, "one byte at a time", body, [](const std::string& text) {
        const std::string_view view(text);
        std::vector<std::string_view> pieces;
        pieces.reserve(view.size());
        for (std::size_t i = 0; i < view.size(); ++i) {
            pieces.push_back(view.substr(i, 1));
        }
        return parseInPieces<Parser>(pieces);
    });
    check(name, whole == halves, "cutting the body in two changed the events");
    check(name, whole == bytes, "feeding one byte at a time changed the events");

    for (std::size_t i = 0; i < whole.size(); ++i) {
        const bool terminal = whole[i].kind != AIStreamEvent::Kind::text;
        check(name, !terminal || i + 1 == whole.size(), "an event after the end of the reply");
        check(name, whole[i].kind != AIStreamEvent::Kind::done || whole[i].text.empty(),
              "a done event with text");
        check(name, text::isValidUtf8(whole[i].text), "an event whose text is not UTF-8");
    }
}

}  // namespace qm::fuzz
