// The methods on the stored context and on sealed memories:
// "quillmarker.pushContext", "quillmarker.queryContext", "quillmarker.pushMemory".
#include "knowledge/MCPRequestHandler.h"

#include <array>
#include <string_view>

#include "base/Json.h"
#include "base/Text.h"
#include "knowledge/MCPMemorySealer.h"
#include "knowledge/MCPReply.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/workspace/Workspace.h"
#include "store/DatabaseManager.h"

namespace qm {

namespace {

// Metadata nests no deeper than a request may (see the line handler).
constexpr std::size_t kMaxMetadataDepth = 128;
constexpr std::size_t kMaxTextCharacters = 250;

struct FieldClass {
    std::array<std::string_view, 3> keywords;
    const char* context;
    bool secure;
};

// The first row with a keyword in the probe wins.
constexpr std::array<FieldClass, 3> kFieldClasses = {{
    {{"secure", "password", "pin code"}, "password", true},
    {{"mail", "username", "login"}, "email", false},
    {{"search", "find", "query"}, "search", false},
}};

// The last `count` user-perceived characters (all of them when there are fewer).
std::string lastCharacters(const std::string& text, std::size_t count)
{
    const std::size_t total = text::graphemeCount(text);
    if (total <= count) {
        return text;
    }
    return text.substr(text::truncateGraphemes(text, total - count).size());
}

}  // namespace

std::optional<std::string> MCPRequestHandler::getAttributeString(const AXUIElement& element,
                                                                 std::string_view attribute)
{
    AXValue value;
    if (element.copyAttributeValue(attribute, value) != AXError::success) {
        return std::nullopt;
    }
    return value.asString();
}

void MCPRequestHandler::pushContext(const nlohmann::json& params, const std::optional<Uuid>&,
                                    const Reply& reply)
{
    std::optional<std::string> metadata;
    if (const auto* object = json::objectAt(params, "metadata")) {
        try {
            metadata = object->dump();
        } catch (const nlohmann::json::exception&) {
            // Not writable as JSON: stored as absent.
        }
    }
    // Every push replaces the whole row: a field left out is stored as NULL.
    const bool stored = services_.database.updateMCPContext(
        json::stringAt(params, "project"), json::stringAt(params, "topic"),
        json::stringAt(params, "relatedNotes"), json::stringAt(params, "activeDecision"), metadata);
    if (!stored) {
        reply.error(mcp::kOperationFailed, "Failed to store context");
        return;
    }
    reply.result(mcp::textContent("Context pushed successfully."));
}

std::optional<nlohmann::json> MCPRequestHandler::pushedContext()
{
    const auto row = services_.database.fetchMCPContext();
    if (!row) {
        return std::nullopt;
    }
    // NULL columns read as empty texts, so the four texts are always there.
    const auto column = [&](const char* name) {
        const auto found = row->find(name);
        return found == row->end() ? std::string() : found->second;
    };
    nlohmann::json context = {
        {"project", column("project")},
        {"topic", column("topic")},
        {"relatedNotes", column("related_notes")},
        {"activeDecision", column("active_decision")},
    };
    if (auto metadata = json::parse(column("metadata"), kMaxMetadataDepth, nullptr);
        metadata && metadata->is_object()) {
        context["metadata"] = std::move(*metadata);
    }
    return context;
}

void MCPRequestHandler::queryContext(const nlohmann::json& params, const std::optional<Uuid>&,
                                     const Reply& reply)
{
    const bool includeText = json::boolAt(params, "includeText").value_or(false);

    nlohmann::json result;
    const auto frontmost = services_.workspace.frontmostApplication();
    result["activeApplication"] = frontmost ? frontmost->bundleIdentifier.value_or("") : "";
    result["focusedContext"] = "unknown";

    AXValue focusedValue;
    const AXUIElement systemWide = services_.accessibility.systemWideElement();
    const auto focused =
        systemWide.copyAttributeValue(AXAttribute::focusedUIElement, focusedValue) == AXError::success
            ? focusedValue.asElement()
            : std::nullopt;
    if (focused && !focused->isNull()) {
        const auto roleDescription = getAttributeString(*focused, AXAttribute::roleDescription);
        const auto placeholder = getAttributeString(*focused, AXAttribute::placeholderValue);
        const auto title = getAttributeString(*focused, AXAttribute::title);
        const auto description = getAttributeString(*focused, AXAttribute::description);

        const std::string probe =
            text::lowercased(roleDescription.value_or("") + " " + placeholder.value_or("") + " " +
                             title.value_or("") + " " + description.value_or(""));
        const char* context = "plainText";
        bool secure = false;
        for (const auto& fieldClass : kFieldClasses) {
            bool matched = false;
            for (const auto keyword : fieldClass.keywords) {
                matched = matched || probe.find(keyword) != std::string::npos;
            }
            if (matched) {
                context = fieldClass.context;
                secure = fieldClass.secure;
                break;
            }
        }
        result["focusedContext"] = context;

        // An empty text is still a label.
        if (const auto label = placeholder ? placeholder : title ? title : description) {
            result["focusedLabel"] = *label;
        }
        if (includeText && !secure) {
            if (const auto value = getAttributeString(*focused, AXAttribute::value)) {
                result["text"] = lastCharacters(*value, kMaxTextCharacters);
            }
        }
        AXValue window;
        if (focused->copyAttributeValue(AXAttribute::window, window) == AXError::success) {
            if (const auto element = window.asElement(); element && !element->isNull()) {
                if (const auto windowTitle = getAttributeString(*element, AXAttribute::title)) {
                    result["windowTitle"] = *windowTitle;
                }
            }
        }
    }

    if (auto context = pushedContext()) {
        result["pushedContext"] = std::move(*context);
    }
    reply.result(std::move(result));
}

void MCPRequestHandler::pushMemory(const nlohmann::json& params, const std::optional<Uuid>&,
                                   const Reply& reply)
{
    const auto key = json::stringAt(params, "key");
    const auto value = json::stringAt(params, "value");
    const auto context = json::stringAt(params, "context");
    if (!key || !value || !context) {
        reply.error(mcp::kInvalidParams, "Invalid params: 'key', 'value', and 'context' strings required");
        return;
    }
    // Only the sealed value is stored; the plain one is never written or echoed.
    const auto sealed = services_.memorySealer.encrypt(*value);
    if (!sealed) {
        reply.error(mcp::kOperationFailed, "Failed to encrypt knowledge entry");
        return;
    }
    if (!services_.database.insertMCPKnowledge(*key, *sealed, *context, json::stringAt(params, "tags"))) {
        reply.error(mcp::kOperationFailed, "Failed to store knowledge entry");
        return;
    }
    reply.result(mcp::textContent("Knowledge memory stored securely."));
}

}  // namespace qm
