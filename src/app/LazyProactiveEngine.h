#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "platform/runtime/AliveToken.h"

namespace qm {

class Accessibility;
class Clock;
class ContextTransitionDetector;
class GraphQueryEngine;
class KnowledgeGraphEngine;
class MainLoop;
class MCPHubManager;
class ProactiveEngine;
class UserDefaults;
class Workspace;

// The proactive briefing's engine with its context-transition detector, made
// on the first read of the briefing instead of at start: until something asks
// for a briefing, nothing watches activations or polls the focused window's
// title every 2 s. The first read may come from any thread (the suggestion
// provider asks from its own queue); the detector's timer and activation
// observer belong on the main loop, so both are built there, and the read
// that asked answers "no briefing", as a newly made engine would.
class LazyProactiveEngine {
public:
    struct Services {
        Workspace& workspace;
        Accessibility& accessibility;
        MainLoop& mainLoop;
        const Clock& clock;
        KnowledgeGraphEngine& graphEngine;
        GraphQueryEngine& graphQuery;
        MCPHubManager& hub;
        UserDefaults& defaults;
    };

    // Builds nothing yet. Every reference must outlive this object.
    explicit LazyProactiveEngine(Services services);
    // Main thread, once nothing reads the briefing any more.
    ~LazyProactiveEngine();
    LazyProactiveEngine(const LazyProactiveEngine&) = delete;
    LazyProactiveEngine& operator=(const LazyProactiveEngine&) = delete;

    // The current briefing. Any thread; the first call has the engine made.
    std::optional<std::string> activeProactiveSuggestion();

    // The engine, made now when it was not yet. Main thread.
    ProactiveEngine& engine();

    // Null until the engine was made. Any thread.
    ProactiveEngine* engineIfMade() const { return made_.load(std::memory_order_acquire); }

private:
    void make();

    Services services_;
    std::unique_ptr<ContextTransitionDetector> detector_;
    std::unique_ptr<ProactiveEngine> engine_;
    std::atomic<ProactiveEngine*> made_{nullptr};
    std::atomic<bool> requested_{false};
    AliveToken alive_;
};

}  // namespace qm
