#include "app/LazyProactiveEngine.h"

#include "knowledge/ContextTransitionDetector.h"
#include "knowledge/ProactiveEngine.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

LazyProactiveEngine::LazyProactiveEngine(Services services) : services_(services) {}

LazyProactiveEngine::~LazyProactiveEngine()
{
    made_.store(nullptr, std::memory_order_release);
    // The engine unsubscribes from the detector it was given.
    engine_.reset();
    detector_.reset();
}

std::optional<std::string> LazyProactiveEngine::activeProactiveSuggestion()
{
    if (ProactiveEngine* engine = engineIfMade()) {
        return engine->activeProactiveSuggestion();
    }
    if (requested_.exchange(true)) {
        return std::nullopt;
    }
    if (services_.mainLoop.isMainThread()) {
        make();
    } else {
        services_.mainLoop.post([this, watch = alive_.watch()] {
            if (watch) {
                make();
            }
        });
    }
    return std::nullopt;
}

ProactiveEngine& LazyProactiveEngine::engine()
{
    requested_.store(true);
    make();
    return *engine_;
}

void LazyProactiveEngine::make()
{
    if (engine_) {
        return;
    }
    detector_ = std::make_unique<ContextTransitionDetector>(services_.workspace, services_.accessibility,
                                                            services_.mainLoop, services_.clock);
    engine_ = std::make_unique<ProactiveEngine>(*detector_, services_.graphEngine, services_.graphQuery,
                                                services_.hub, services_.defaults);
    made_.store(engine_.get(), std::memory_order_release);
}

}  // namespace qm
