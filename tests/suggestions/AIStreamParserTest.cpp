// The three stream parsers over tables of replies, each fed whole, cut in two
// at every byte, and one byte at a time, with LF, CRLF and CR line breaks.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "suggestions/AnthropicStreamParser.h"
#include "suggestions/OllamaStreamParser.h"
#include "suggestions/OpenAIStreamParser.h"
#include "suggestions/StreamLineSplitter.h"

namespace qm {

void PrintTo(const AIStreamEvent& event, std::ostream* out)
{
    const char* kind = event.kind == AIStreamEvent::Kind::text   ? "text"
                       : event.kind == AIStreamEvent::Kind::done ? "done"
                                                                 : "failure";
    *out << kind << "(\"" << event.text << "\")";
}

namespace {

using Events = std::vector<AIStreamEvent>;
using ParserFactory = std::function<std::unique_ptr<AIStreamParser>()>;

AIStreamEvent piece(std::string text)
{
    return AIStreamEvent::piece(std::move(text));
}

struct ParserCase {
    const char* what;
    std::string body;  // with "\n" line breaks
    Events expected;
};

std::string withLineBreak(const std::string& body, const std::string& lineBreak)
{
    std::string out;
    for (const char c : body) {
        out += c == '\n' ? lineBreak : std::string(1, c);
    }
    return out;
}

Events parse(const ParserFactory& make, const std::vector<std::string_view>& pieces)
{
    auto parser = make();
    Events events;
    for (const auto piece : pieces) {
        for (auto& event : parser->feed(piece)) {
            events.push_back(std::move(event));
        }
    }
    for (auto& event : parser->finish()) {
        events.push_back(std::move(event));
    }
    return events;
}

void checkEverySplit(const ParserFactory& make, const std::vector<ParserCase>& cases)
{
    for (const auto& c : cases) {
        for (const std::string lineBreak : {"\n", "\r\n", "\r"}) {
            SCOPED_TRACE(testing::Message() << c.what
                                            << (lineBreak == "\n"   ? " (LF)"
                                                : lineBreak == "\r" ? " (CR)"
                                                                    : " (CRLF)"));
            const std::string body = withLineBreak(c.body, lineBreak);
            const std::string_view all(body);
            EXPECT_EQ(parse(make, {all}), c.expected);
            for (std::size_t cut = 0; cut <= all.size(); ++cut) {
                const auto events = parse(make, {all.substr(0, cut), all.substr(cut)});
                if (events != c.expected) {
                    ADD_FAILURE() << "cut at byte " << cut << ": " << testing::PrintToString(events);
                    break;
                }
            }
            std::vector<std::string_view> bytes;
            for (std::size_t i = 0; i < all.size(); ++i) {
                bytes.push_back(all.substr(i, 1));
            }
            EXPECT_EQ(parse(make, bytes), c.expected) << "one byte at a time";
        }
    }
}

TEST(AIStreamParserTest, AnthropicServerSentEvents)
{
    const std::vector<ParserCase> cases = {
        {"a whole reply",
         "event: message_start\n"
         "data: {\"type\":\"message_start\",\"message\":{\"id\":\"msg_1\",\"content\":[]}}\n\n"
         "event: content_block_start\n"
         "data: "
         "{\"type\":\"content_block_start\",\"index\":0,\"content_block\":{\"type\":\"text\",\"text\":\"\"}}"
         "\n\n"
         "event: ping\ndata: {\"type\": \"ping\"}\n\n"
         "event: content_block_delta\n"
         "data: "
         "{\"type\":\"content_block_delta\",\"index\":0,\"delta\":{\"type\":\"text_delta\",\"text\":\"Hel\"}}"
         "\n\n"
         "event: content_block_delta\n"
         "data: "
         "{\"type\":\"content_block_delta\",\"index\":0,\"delta\":{\"type\":\"text_delta\",\"text\":\"lo "
         "caf\u00e9 \u2615\"}}\n\n"
         "event: content_block_stop\ndata: {\"type\":\"content_block_stop\",\"index\":0}\n\n"
         "event: message_delta\n"
         "data: "
         "{\"type\":\"message_delta\",\"delta\":{\"stop_reason\":\"end_turn\"},\"usage\":{\"output_tokens\":"
         "2}}\n\n"
         "event: message_stop\ndata: {\"type\":\"message_stop\"}\n\n",
         {piece("Hel"), piece("lo caf\u00e9 \u2615")}},
        {"keep-alive comments and blank lines",
         ": keep-alive\n\n\n:\ndata: {\"delta\":{\"text\":\"a\"}}\n: ping\n\n",
         {piece("a")}},
        {"pieces are not trimmed, empty ones are kept",
         "data: {\"delta\":{\"text\":\"  spaced \\n\"}}\ndata: {\"delta\":{\"text\":\"\"}}\n",
         {piece("  spaced \n"), piece("")}},
        {"the data is trimmed before it is read",
         "data:    {\"delta\":{\"text\":\"x\"}}   \t\n",
         {piece("x")}},
        {"lines that carry nothing are skipped",
         "data:{\"delta\":{\"text\":\"no space\"}}\n"
         "data: {\"delta\":{\"text\":\"cut\n"
         "data: not json\n"
         "data: [1,2]\n"
         "data: \"text\"\n"
         "data: {\"delta\":\"text\"}\n"
         "data: {\"delta\":{\"text\":7}}\n"
         "data: {\"delta\":{\"partial_json\":\"{}\"}}\n"
         "Data: {\"delta\":{\"text\":\"case\"}}\n"
         "id: 1\nretry: 100\n"
         "data: {\"delta\":{\"text\":\"kept\"}}\n",
         {piece("kept")}},
        {"an error event ends the reply with its message",
         "data: {\"delta\":{\"text\":\"Part\"}}\n\n"
         "event: error\n"
         "data: {\"type\":\"error\",\"error\":{\"type\":\"overloaded_error\",\"message\":\"Overloaded\"}}\n\n"
         "data: {\"delta\":{\"text\":\"never\"}}\n",
         {piece("Part"), AIStreamEvent::failure("Overloaded")}},
        {"an error without a message",
         "data: {\"type\":\"error\"}\n",
         {AIStreamEvent::failure("{\"type\":\"error\"}")}},
        {"a last line without a break", "data: {\"delta\":{\"text\":\"tail\"}}", {piece("tail")}},
        {"an empty body", "", {}},
    };
    checkEverySplit([] { return std::make_unique<AnthropicStreamParser>(); }, cases);
}

TEST(AIStreamParserTest, OpenAIServerSentEvents)
{
    const std::vector<ParserCase> cases = {
        {"a whole reply",
         "data: {\"id\":\"c1\",\"choices\":[{\"index\":0,\"delta\":{\"role\":\"assistant\"}}]}\n\n"
         "data: {\"id\":\"c1\",\"choices\":[{\"index\":0,\"delta\":{\"content\":\"Hi \\u00e9\"}}]}\n\n"
         "data: {\"id\":\"c1\",\"choices\":[{\"index\":0,\"delta\":{\"content\":\"\u2615 there\"}}]}\n\n"
         "data: {\"id\":\"c1\",\"choices\":[{\"index\":0,\"delta\":{},\"finish_reason\":\"stop\"}]}\n\n"
         "data: [DONE]\n\n",
         {piece("Hi \u00e9"), piece("\u2615 there"), AIStreamEvent::done()}},
        {"nothing is read after [DONE]",
         "data: [DONE]   \ndata: {\"choices\":[{\"delta\":{\"content\":\"late\"}}]}\n",
         {AIStreamEvent::done()}},
        {"[DONE] without the space is not the end",
         "data:[DONE]\ndata: {\"choices\":[{\"delta\":{\"content\":\"go on\"}}]}\n",
         {piece("go on")}},
        {"empty and untrimmed pieces",
         ": keep-alive\n\ndata: {\"choices\":[{\"delta\":{\"content\":\"\"}}]}\n"
         "data: {\"choices\":[{\"delta\":{\"content\":\" two \"}}]}\n",
         {piece(""), piece(" two ")}},
        {"lines that carry nothing are skipped",
         "data: {\"choices\":[]}\n"
         "data: {\"choices\":{}}\n"
         "data: {\"choices\":[{\"delta\":{\"content\":\"mixed\"}},3]}\n"
         "data: {\"choices\":[{\"delta\":{\"content\":null}}]}\n"
         "data: {\"choices\":[{\"message\":{\"content\":\"whole\"}}]}\n"
         "data: {\"choices\":[{\"delta\":{\"content\":\"cut\n"
         "data: {broken\n"
         "event: message\n"
         "data: {\"choices\":[{\"delta\":{\"content\":\"kept\"}},{\"delta\":{\"content\":\"second\"}}]}\n",
         {piece("kept")}},
        {"an error object ends the reply with its message",
         "data: {\"choices\":[{\"delta\":{\"content\":\"Part\"}}]}\n"
         "data: {\"error\":{\"message\":\"The server had an error\",\"type\":\"server_error\"}}\n"
         "data: [DONE]\n",
         {piece("Part"), AIStreamEvent::failure("The server had an error")}},
        {"an error that is only a text", "data: {\"error\":\"quota\"}\n", {AIStreamEvent::failure("quota")}},
        {"a reply that ends without [DONE]",
         "data: {\"choices\":[{\"delta\":{\"content\":\"a\"}}]}",
         {piece("a")}},
    };
    checkEverySplit([] { return std::make_unique<OpenAIStreamParser>(); }, cases);
}

TEST(AIStreamParserTest, OllamaJsonLines)
{
    const std::vector<ParserCase> cases = {
        {"a whole reply",
         "{\"model\":\"llama3\",\"message\":{\"role\":\"assistant\",\"content\":\"Bon\"},\"done\":false}\n"
         "{\"model\":\"llama3\",\"message\":{\"role\":\"assistant\",\"content\":\"jour "
         "\u00e9\u2615\"},\"done\":false}\n"
         "{\"model\":\"llama3\",\"message\":{\"role\":\"assistant\",\"content\":\"\"},\"done\":true,"
         "\"total_duration\":5}\n",
         {piece("Bon"), piece("jour \u00e9\u2615"), piece("")}},
        {"the done flag does not end the reply",
         "{\"done\":true}\n{\"message\":{\"content\":\"more\"}}\n",
         {piece("more")}},
        {"lines are trimmed, pieces are not",
         "   {\"message\":{\"content\":\"  a \"}}   \n\n \t \n",
         {piece("  a ")}},
        {"lines that carry nothing are skipped",
         "not "
         "json\n[1]\n{\"message\":\"text\"}\n{\"message\":{\"content\":5}}\n{\"message\":{\"content\":\"cut\n"
         "data: {\"message\":{\"content\":\"sse\"}}\n"
         "{\"message\":{\"content\":\"kept\"}}\n",
         {piece("kept")}},
        {"an error ends the reply with its message",
         "{\"message\":{\"content\":\"Part\"}}\n{\"error\":\"model 'x' not found\"}\n"
         "{\"message\":{\"content\":\"never\"}}\n",
         {piece("Part"), AIStreamEvent::failure("model 'x' not found")}},
        {"a last line without a break", "{\"message\":{\"content\":\"tail\"}}", {piece("tail")}},
    };
    checkEverySplit([] { return std::make_unique<OllamaStreamParser>(); }, cases);
}

TEST(StreamLineSplitterTest, AnOverlongLineIsDroppedUpToItsBreak)
{
    StreamLineSplitter splitter;
    const std::string chunk(1024 * 1024, 'x');
    std::vector<std::string> lines;
    for (int i = 0; i < 5; ++i) {
        for (auto& line : splitter.feed(chunk)) {
            lines.push_back(std::move(line));
        }
    }
    for (auto& line : splitter.feed("still the long one\nnext\r")) {
        lines.push_back(std::move(line));
    }
    for (auto& line : splitter.feed("\nlast")) {
        lines.push_back(std::move(line));
    }
    for (auto& line : splitter.finish()) {
        lines.push_back(std::move(line));
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"next", "last"}));
}

}  // namespace
}  // namespace qm
