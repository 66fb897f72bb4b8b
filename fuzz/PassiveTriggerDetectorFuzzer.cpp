// Random key-event streams (modifiers, Delete, Space and Return, multi-unit and
// malformed UTF-16 text) through the passive trigger detector: no crash, the
// buffer never above its limit, and every accepted trigger well formed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Text.h"
#include "capture/CaptureTargetRegistry.h"
#include "capture/PassiveTriggerDetector.h"
#include "platform/keyboard/KeyCode.h"
#include "targets/AlarmTarget.h"
#include "targets/CalcTarget.h"
#include "targets/CalendarTarget.h"
#include "targets/ClipboardTarget.h"
#include "targets/LocalNoteTarget.h"
#include "targets/LogseqTarget.h"
#include "targets/ObsidianTarget.h"
#include "targets/RemindersTarget.h"
#include "targets/SlackTarget.h"
#include "targets/TimerTarget.h"

namespace {

constexpr std::size_t kLimit = 100;

void fail(const char* what)
{
    std::fprintf(stderr, "PassiveTriggerDetectorFuzzer: %s\n", what);
    std::abort();
}

// Small reader over the fuzzer's bytes; reads past the end give zeros.
struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    bool done() const { return at >= size; }
    std::uint8_t next() { return at < size ? data[at++] : 0; }
};

// Mostly the keys that matter, sometimes any key code.
std::uint16_t keyCode(Bytes& in)
{
    static constexpr std::uint16_t kInteresting[] = {qm::KeyCode::space,
                                                     qm::KeyCode::returnKey,
                                                     qm::KeyCode::deleteKey,
                                                     qm::KeyCode::slash,
                                                     qm::KeyCode::tab,
                                                     qm::KeyCode::keypadEnter,
                                                     45 /* n */,
                                                     31 /* o */,
                                                     17 /* t */,
                                                     14 /* e */,
                                                     0};
    const std::uint8_t pick = in.next();
    if (pick < 200) {
        return kInteresting[pick % std::size(kInteresting)];
    }
    return static_cast<std::uint16_t>(pick - 200 + (in.next() % 2) * 60);
}

qm::EventFlags flags(Bytes& in)
{
    const std::uint8_t bits = in.next();
    qm::EventFlags result = 0;
    if (bits & 1)
        result |= qm::KeyEventFlags::shift;
    if (bits & 2)
        result |= qm::KeyEventFlags::alternate;
    if (bits & 4)
        result |= qm::KeyEventFlags::alphaShift;
    if ((bits & 0xF0) == 0xF0)
        result |= (bits & 8) ? qm::KeyEventFlags::command : qm::KeyEventFlags::control;
    return result;
}

// Text of up to 20 units: ASCII that can build triggers, combining marks,
// emoji halves, lone surrogates, prepend and joiner characters.
std::u16string text(Bytes& in)
{
    static constexpr char16_t kUnits[] = {
        u'/', u'n', u'o',   u't',   u'e',   u'N',   u':',   u' ',   u'\n',  u'\r', u'c',   u'a',   u'l',
        u's', u'k', 0x0301, 0x200D, 0x0600, 0xD83D, 0xDE00, 0xDC00, 0xD800, 0x1F1, 0xFEFF, 0x0130, 0x212A};
    const std::size_t length = in.next() % 21;
    std::u16string units;
    for (std::size_t i = 0; i < length && !in.done(); ++i) {
        const std::uint8_t pick = in.next();
        if (pick < 220) {
            units.push_back(kUnits[pick % std::size(kUnits)]);
        } else {
            units.push_back(static_cast<char16_t>((pick << 8) | in.next()));
        }
    }
    return units;
}

}  // namespace

// A target that only has its command word: the detector reads nothing else.
class WordTarget final : public qm::CaptureTarget {
public:
    explicit WordTarget(std::string word) : CaptureTarget(std::move(word), false) {}
    std::vector<qm::PickerOption> pickerOptions(const qm::CancellationToken&) override { return {}; }
    void send(const std::string&, const std::optional<qm::PickerOption>&) override {}
};

// The command words of the standard targets, in their order.
qm::CaptureTargetRegistry standardWords()
{
    qm::CaptureTargetRegistry::Targets targets;
    for (const char* word :
         {qm::LocalNoteTarget::kCommandName, qm::RemindersTarget::kCommandName,
          qm::ClipboardTarget::kCommandName, qm::TimerTarget::kCommandName, qm::CalcTarget::kCommandName,
          qm::AlarmTarget::kCommandName, qm::CalendarTarget::kCommandName, qm::ObsidianTarget::kCommandName,
          qm::SlackTarget::kCommandName, qm::LogseqTarget::kCommandName}) {
        targets.push_back(std::make_shared<WordTarget>(word));
    }
    return qm::CaptureTargetRegistry(std::move(targets));
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const qm::CaptureTargetRegistry registry = standardWords();
    Bytes in{data, size};
    const qm::PassiveTriggerDetector detector(registry, kLimit);

    qm::PassiveTriggerBuffer buffer;
    while (!in.done()) {
        const std::uint16_t code = keyCode(in);
        const qm::EventFlags modifiers = flags(in);
        const std::u16string typed = text(in);
        const qm::PassiveOutcome outcome = detector.handleKey(buffer, code, modifiers, typed);

        if (buffer.characterCount() > kLimit) {
            fail("buffer above its limit");
        }
        if (outcome.isTrigger()) {
            if (!outcome.target || !buffer.empty() || !outcome.hidesSuggestions || outcome.folderFailure) {
                fail("malformed trigger outcome");
            }
            if (outcome.commandName != outcome.target->commandName()) {
                fail("command name differs from the target's");
            }
            const std::string word = "//" + outcome.target->commandName();
            if (outcome.documentTriggerLength != static_cast<int>(word.size())) {
                fail("trigger length differs from the command word");
            }
            const std::string lowered = qm::text::lowercased(outcome.triggerBody);
            if (lowered.size() < word.size() ||
                lowered.compare(lowered.size() - word.size(), word.size(), word) != 0) {
                fail("trigger body does not end with the command word");
            }
        }
        if (outcome.folderFailure) {
            fail("the detector looked at a folder");  // the router's pre-check does
        }
    }
    return 0;
}
