#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The fixed, ordered table of capture targets. The trigger detector walks it
// from first to last and the first command word that matches wins, so the
// order is part of the behaviour. Immutable once built: safe to read from any
// thread without a lock. The composition root builds the app's table
// (StandardCaptureTargets).
class CaptureTargetRegistry {
public:
    using Targets = std::vector<std::shared_ptr<CaptureTarget>>;

    // The targets in the given order. Null entries are dropped.
    explicit CaptureTargetRegistry(Targets targets);

    const Targets& targets() const { return targets_; }
    std::size_t size() const { return targets_.size(); }

    // The first target with this command word (exact, lower case), or null.
    std::shared_ptr<CaptureTarget> target(std::string_view commandName) const;

private:
    Targets targets_;
};

}  // namespace qm
