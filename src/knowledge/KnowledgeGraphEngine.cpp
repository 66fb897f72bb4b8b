#include "knowledge/KnowledgeGraphEngine.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/Regex.h"
#include "base/Text.h"
#include "base/Uuid.h"
#include "platform/runtime/Clock.h"
#include "store/DatabaseManager.h"

namespace qm {

namespace {

constexpr const char* kQueueLabel = "com.quillmarker.knowledgeGraphQueue";

constexpr const char* kEmailPattern = R"([A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,64})";
// The class holds a real line feed: a decision ends at ".", "!", "?" or a line break.
constexpr const char* kDecisionPattern =
    "(?i)\\b(?:decided to|decision:|resolved to|choose to|decided on)\\s+([^.!?\n]{5,100})";
constexpr const char* kWikiLinkPattern = R"(\[\[([^\]]+)\]\])";
constexpr const char* kHashtagPattern = R"(#([a-zA-Z][a-zA-Z0-9_-]{2,30}))";

// Matched anywhere in the lower-cased text, so "pip" is found in "pipeline".
constexpr std::array<const char*, 14> kToolKeywords = {
    "npm", "git",  "docker",    "cargo",   "python",    "pip",      "brew",
    "pod", "yarn", "terraform", "kubectl", "redis-cli", "postgres", "sqlite"};

// Applications whose window titles show a working folder.
constexpr std::array<const char*, 3> kFolderApplications = {"terminal", "iterm", "vscode"};

// ASCII punctuation escaped; everything else stands for itself in the pattern.
std::string regexLiteral(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && !std::isalnum(byte)) {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::string projectFolderPatternFor(std::string homesFolder)
{
    while (!homesFolder.empty() && homesFolder.back() == '/') {
        homesFolder.pop_back();
    }
    return "(" + regexLiteral(homesFolder) + "/[a-zA-Z0-9_.-]+/[a-zA-Z0-9_/.-]+)";
}

// As a file path's last component: trailing slashes do not count; "/" stays "/".
std::string lastPathComponent(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || path == "/") {
        return path;
    }
    return path.substr(slash + 1);
}

std::string replaceAll(std::string text, char from, char to)
{
    for (char& c : text) {
        if (c == from) {
            c = to;
        }
    }
    return text;
}

// Capture group `group` of every match, as text.
std::vector<std::string> groupsOf(const std::optional<Regex>& regex, const std::string& text,
                                  std::size_t group)
{
    std::vector<std::string> found;
    if (!regex) {
        return found;
    }
    for (const auto& match : regex->allMatches(text)) {
        const auto range = match.group(group);
        if (!range) {
            continue;
        }
        if (const auto slice = text::utf8Slice(text, *range)) {
            found.emplace_back(*slice);
        }
    }
    return found;
}

// Compiled once and shared: a Regex may be used from several threads at once.
struct Patterns {
    std::optional<Regex> email = Regex::compile(kEmailPattern);
    std::optional<Regex> decision = Regex::compile(kDecisionPattern);
    std::optional<Regex> wikiLink = Regex::compile(kWikiLinkPattern);
    std::optional<Regex> hashtag = Regex::compile(kHashtagPattern);
};

const Patterns& patterns()
{
    static const Patterns compiled;
    return compiled;
}

}  // namespace

KnowledgeGraphEngine::KnowledgeGraphEngine(DatabaseManager& database, const Clock& clock,
                                           std::string homesFolder)
    : database_(database), clock_(clock),
      projectFolderPatternText_(projectFolderPatternFor(std::move(homesFolder))), queue_(kQueueLabel)
{
}

void KnowledgeGraphEngine::ingestCapturedText(const std::string& text, const std::string& appBundleId,
                                              const std::optional<std::string>& domain)
{
    if (text::trimmed(text).empty()) {
        return;
    }
    queue_.async([this, text, appBundleId, domain] { runPass(text, appBundleId, domain); });
}

void KnowledgeGraphEngine::pushProgrammaticNode(const EntityNode& node, WriteCompletion completion)
{
    queue_.async([this, node, completion = std::move(completion)] {
        const bool stored = database_.saveNode(node.id(), std::string(rawValue(node.type())), node.name(),
                                               node.properties(), node.createdAt(), node.updatedAt());
        if (completion) {
            completion(stored);
        }
    });
}

void KnowledgeGraphEngine::pushProgrammaticEdge(const RelationshipEdge& edge, WriteCompletion completion)
{
    queue_.async([this, edge, completion = std::move(completion)] {
        const bool stored = database_.saveEdge(edge.id(), edge.source(), edge.target(), edge.relationship(),
                                               edge.properties(), edge.createdAt());
        if (completion) {
            completion(stored);
        }
    });
}

// Each write finishes before the next starts, so an edge's end nodes are
// stored before the edge. A failed write is logged by the database and the
// pass goes on.
void KnowledgeGraphEngine::runPass(const std::string& text, const std::string& app,
                                   const std::optional<std::string>& domain)
{
    const double now = clock_.now();
    const auto project = detectProjectFolder(app, domain, text);
    if (project) {
        saveNode(*project, EntityType::project, lastPathComponent(*project), {{"path", *project}}, now);
    }

    for (const auto& address : extractEmails(text)) {
        saveNode(address, EntityType::person, address.substr(0, address.find('@')), {{"email", address}},
                 now);
        if (project) {
            saveEdge(address + "_" + *project + "_works_on", address, *project, "works_on", now);
        }
    }
    for (const auto& decision : extractDecisions(text)) {
        const std::string id = "decision_" + Uuid::random().string().substr(0, 8);
        saveNode(id, EntityType::decision, decision, {}, now);
        if (project) {
            saveEdge(id + "_" + *project + "_related_to", id, *project, "related_to", now);
        }
    }
    for (const auto& tool : extractTools(text)) {
        saveNode(tool, EntityType::tool, tool, {}, now);
        if (project) {
            saveEdge(*project + "_" + tool + "_uses", *project, tool, "uses", now);
        }
    }
    for (const auto& topic : extractTopics(text)) {
        const std::string id = "topic_" + replaceAll(text::lowercased(topic), ' ', '_');
        saveNode(id, EntityType::topic, topic, {}, now);
        if (project) {
            saveEdge(id + "_" + *project + "_related_to", id, *project, "related_to", now);
        }
    }
}

std::optional<std::string> KnowledgeGraphEngine::detectProjectFolder(const std::string& app,
                                                                     const std::optional<std::string>& domain,
                                                                     const std::string& text) const
{
    bool showsFolder = false;
    for (const char* name : kFolderApplications) {
        showsFolder = showsFolder || app.find(name) != std::string::npos;
    }
    if (showsFolder) {
        // Compiled on the first title that could name a folder: the regex
        // engine and its data stay unloaded until some capture needs them.
        std::call_once(projectFolderPatternCompiled_,
                       [this] { projectFolderPattern_ = Regex::compile(projectFolderPatternText_); });
        if (projectFolderPattern_) {
            if (const auto match = projectFolderPattern_->firstMatch(text)) {
                if (const auto path = text::utf8Slice(text, match->range())) {
                    std::error_code error;
                    if (std::filesystem::is_directory(std::filesystem::path(*path), error)) {
                        return std::string(*path);
                    }
                }
            }
        }
    }
    if (domain && !domain->empty()) {
        return "domain_" + replaceAll(*domain, '.', '_');
    }
    return std::nullopt;
}

std::vector<std::string> KnowledgeGraphEngine::extractEmails(const std::string& text)
{
    std::vector<std::string> addresses;
    for (const auto& address : groupsOf(patterns().email, text, 0)) {
        addresses.push_back(text::lowercased(address));
    }
    return addresses;
}

std::vector<std::string> KnowledgeGraphEngine::extractDecisions(const std::string& text)
{
    std::vector<std::string> decisions;
    for (const auto& decision : groupsOf(patterns().decision, text, 1)) {
        decisions.push_back(text::trimmed(decision));
    }
    return decisions;
}

std::vector<std::string> KnowledgeGraphEngine::extractTools(const std::string& text)
{
    const std::string lowered = text::lowercased(text);
    std::vector<std::string> tools;
    for (const char* keyword : kToolKeywords) {
        if (lowered.find(keyword) != std::string::npos) {
            tools.emplace_back(keyword);
        }
    }
    return tools;
}

std::vector<std::string> KnowledgeGraphEngine::extractTopics(const std::string& text)
{
    std::vector<std::string> topics;
    for (const auto& link : groupsOf(patterns().wikiLink, text, 1)) {
        topics.push_back(text::trimmed(link));
    }
    for (const auto& tag : groupsOf(patterns().hashtag, text, 1)) {
        topics.push_back(tag);
    }
    return topics;
}

bool KnowledgeGraphEngine::saveNode(const std::string& id, EntityType type, const std::string& name,
                                    const EntityNode::Properties& properties, double now)
{
    return database_.saveNode(id, std::string(rawValue(type)), name, properties, now, now);
}

bool KnowledgeGraphEngine::saveEdge(const std::string& id, const std::string& source,
                                    const std::string& target, const std::string& relationship, double now)
{
    return database_.saveEdge(id, source, target, relationship, {}, now);
}

}  // namespace qm
