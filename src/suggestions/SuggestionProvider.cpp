#include "suggestions/SuggestionProvider.h"

#include <algorithm>
#include <utility>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "suggestions/FieldContextDetector.h"
#include "suggestions/SuggestionSources.h"

namespace qm {

namespace {

// Prose, code and fields nobody could classify may be about anything the
// user wrote down; a note passage in an address or a date field never is.
bool searchesNotes(FieldContext context)
{
    return context == FieldContext::plainText || context == FieldContext::code ||
           context == FieldContext::unknown;
}

SuggestionModel makeModel(SuggestionType type, std::string title, std::optional<std::string> body,
                          std::string action, std::int64_t priority)
{
    SuggestionModel model;
    model.type = type;
    model.title = std::move(title);
    model.body = std::move(body);
    model.action = std::move(action);
    model.priority = priority;
    return model;
}

}  // namespace

SuggestionProvider::SuggestionProvider(Services services)
    : services_(services), queue_(std::make_unique<SerialQueue>(queueLabel))
{
}

SuggestionProvider::~SuggestionProvider()
{
    queue_.reset();
}

void SuggestionProvider::updateSuggestions(std::string text, std::string /*appBundleId*/,
                                           Completion completion)
{
    queue_->async([this, watch = alive_.watch(), text = std::move(text),
                   completion = std::move(completion)]() mutable {
        std::vector<SuggestionModel> list = ranked(gather(text));
        services_.mainLoop.post([this, watch, list = std::move(list), completion = std::move(completion)] {
            if (!watch) {
                return;
            }
            suggestions_ = list;
            if (completion) {
                completion(list);
            }
        });
    });
}

std::vector<SuggestionModel> SuggestionProvider::gather(const std::string& text) const
{
    std::vector<SuggestionModel> gathered;
    SuggestionSources* knowledge = services_.knowledge;

    if (knowledge) {
        if (auto briefing = knowledge->activeProactiveSuggestion()) {
            gathered.push_back(makeModel(SuggestionType::proactive, std::string(proactiveTitle),
                                         std::move(*briefing), {}, proactivePriority));
        }
    }

    const FieldContextResult field = services_.fieldContext.detect();

    if (knowledge && searchesNotes(field.context)) {
        for (SuggestionSources::NoteHit& hit : knowledge->searchNotes(text)) {
            gathered.push_back(makeModel(SuggestionType::knowledge, std::move(hit.title),
                                         std::move(hit.snippet), std::move(hit.filePath), notePriority));
        }
    }

    if (knowledge) {
        for (SuggestionSources::PushedSuggestion& pushed : knowledge->activePushedSuggestions()) {
            gathered.push_back(makeModel(SuggestionType::mcp, std::move(pushed.title), std::move(pushed.body),
                                         std::move(pushed.actionText), pushed.priority));
        }
    }
    return gathered;
}

std::vector<SuggestionModel> SuggestionProvider::ranked(std::vector<SuggestionModel> gathered)
{
    std::ranges::stable_sort(gathered, {}, &SuggestionModel::priority);
    if (gathered.size() > maxSuggestions) {
        gathered.resize(maxSuggestions);
    }
    for (std::size_t i = 0; i < gathered.size(); ++i) {
        gathered[i].shortcut = std::string(shortcutPrefix) + std::to_string(i + 1);
    }
    return gathered;
}

}  // namespace qm
