#pragma once

#include <string>

#include "base/Uuid.h"

namespace qm {

// One knowledge-index hit: a passage of an indexed note. Every hit gets a fresh
// id, so the same passage found twice gives two unequal models.
struct KnowledgeSuggestionModel {
    Uuid id = Uuid::random();
    std::string title;
    std::string snippet;
    std::string filePath;
    std::string sourceName;

    friend bool operator==(const KnowledgeSuggestionModel&, const KnowledgeSuggestionModel&) = default;
};

}  // namespace qm
