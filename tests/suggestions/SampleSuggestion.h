#pragma once

#include <optional>
#include <string>

#include "suggestions/SuggestionModel.h"

namespace qm::test {

// A suggestion with a fresh id and the texts that matter to the test.
inline SuggestionModel sampleSuggestion(SuggestionType type, std::string title,
                                        std::optional<std::string> body = std::nullopt,
                                        std::string action = {})
{
    SuggestionModel model;
    model.type = type;
    model.title = std::move(title);
    model.body = std::move(body);
    model.action = std::move(action);
    return model;
}

}  // namespace qm::test
