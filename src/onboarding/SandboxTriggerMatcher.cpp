#include "onboarding/SandboxTriggerMatcher.h"

#include <algorithm>
#include <stdexcept>

#include "base/Text.h"
#include "capture/PassiveTriggerBuffer.h"
#include "onboarding/OnboardingCatalog.h"
#include "platform/keyboard/KeyCode.h"

namespace qm {

namespace {

// A command of the practice: the detector matches its word, and nothing can
// ever send to it, since the practice routes its lines into its own feed.
class PracticeTarget final : public CaptureTarget {
public:
    explicit PracticeTarget(std::string command) : CaptureTarget(std::move(command), false) {}

    std::vector<PickerOption> pickerOptions(const CancellationToken&) override { return {}; }
    void send(const std::string&, const std::optional<PickerOption>&) override
    {
        throw std::logic_error("The practice sandbox sends nothing: its captures are only simulated.");
    }
};

CaptureTargetRegistry practiceRegistry()
{
    CaptureTargetRegistry::Targets targets;
    for (const auto& row : OnboardingCatalog::sandboxTriggers()) {
        targets.push_back(std::make_shared<PracticeTarget>(row.command));
    }
    return CaptureTargetRegistry(std::move(targets));
}

constexpr std::size_t kProbeLimit = 64;

}  // namespace

SandboxTriggerMatcher::SandboxTriggerMatcher()
    : registry_(practiceRegistry()), detector_(registry_, kProbeLimit)
{
}

std::optional<SandboxTriggerMatcher::Match> SandboxTriggerMatcher::match(std::string_view text) const
{
    const PassiveTriggerBuffer all(text::toUtf16(text));
    const std::u16string_view last = all.lastCharacters(1);
    if (last != u" " && last != u"\n") {
        return std::nullopt;
    }
    const std::u16string_view body = std::u16string_view(all.text()).substr(0, all.text().size() - 1);
    // Commands hold no slash, so a trigger can only start at the last "//";
    // what stands before it never matters here.
    const std::size_t start = body.rfind(u"//");
    const auto& boundaries = all.characterBoundaries();
    if (start == std::u16string_view::npos ||
        std::find(boundaries.begin(), boundaries.end(), start) == boundaries.end()) {
        return std::nullopt;
    }
    PassiveTriggerBuffer probe(body.substr(start));
    const PassiveOutcome outcome =
        detector_.handleKey(probe, last == u" " ? KeyCode::space : KeyCode::returnKey, 0, last);
    if (!outcome.isTrigger()) {
        return std::nullopt;
    }
    // The detector forgives letter case; the practice asks for the word as listed.
    const std::string& command = outcome.target->commandName();
    if (outcome.triggerBody != "//" + command) {
        return std::nullopt;
    }
    return Match{command, command.size() + 3};
}

std::optional<SandboxTriggerMatcher::Match> SandboxTriggerMatcher::matchBare(std::string_view text) const
{
    auto found = match(std::string(text) + " ");
    if (found) {
        --found->stripLength;
    }
    return found;
}

}  // namespace qm
