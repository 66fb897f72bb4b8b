#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/AliveToken.h"
#include "suggestions/SuggestionModel.h"

namespace qm {

class FieldContextDetector;
class MainLoop;
class SerialQueue;
class SuggestionSources;

// Gathers the suggestions for the text the user is typing: the proactive
// project briefing, passages of the indexed notes (prose, code and
// unclassified fields only) and what local tools pushed. Values field memory
// learned are not among them: whole earlier field contents would show in
// unrelated fields. The list is sorted by priority,
// ties kept in gathering order, cut to six and numbered ⌃1 to ⌃6.
//
// Gatherings run one at a time on the provider's own serial queue, in call
// order, and never throw: a source with nothing to give adds nothing. Each
// ends on the main thread, where the list is published and then handed to the
// completion, also when it is empty. No debouncing: the caller waits for the
// typing pause.
class SuggestionProvider {
public:
    using Completion = std::function<void(const std::vector<SuggestionModel>& suggestions)>;

    static constexpr const char* queueLabel = "com.quillmarker.suggestionProviderQueue";
    static constexpr std::string_view proactiveTitle = "Proactive Context";
    static constexpr std::int64_t proactivePriority = 1;
    static constexpr std::int64_t notePriority = 4;
    static constexpr std::size_t maxSuggestions = 6;
    // The sign before each suggestion's number in its key hint.
    static constexpr std::string_view shortcutPrefix = "\u2303";

    struct Services {
        MainLoop& mainLoop;
        const FieldContextDetector& fieldContext;
        // None: no briefing, note passages or pushed suggestions.
        SuggestionSources* knowledge = nullptr;
    };

    // Everything named must outlive the provider.
    explicit SuggestionProvider(Services services);
    // Gatherings already queued still run; their results are dropped.
    ~SuggestionProvider();
    SuggestionProvider(const SuggestionProvider&) = delete;
    SuggestionProvider& operator=(const SuggestionProvider&) = delete;

    // Returns at once. `text` is the typing buffer near the caret, which the
    // note search looks up. `appBundleId` (the frontmost application's, or
    // empty) takes no part in the result. Any thread; the completion runs
    // once, on the main thread.
    void updateSuggestions(std::string text, std::string appBundleId, Completion completion);

    // The list the last gathering published. Main thread.
    const std::vector<SuggestionModel>& suggestions() const { return suggestions_; }

    // Orders, cuts and numbers gathered suggestions as every gathering does.
    static std::vector<SuggestionModel> ranked(std::vector<SuggestionModel> gathered);

private:
    std::vector<SuggestionModel> gather(const std::string& text) const;

    Services services_;
    std::vector<SuggestionModel> suggestions_;
    AliveToken alive_;
    // Last: its queued gatherings finish while everything they read exists.
    std::unique_ptr<SerialQueue> queue_;
};

}  // namespace qm
