// The cost the event tap adds to every key: its callback for plain typing and
// for the key that completes a "//note" trigger, against a callback that only
// returns the event, measured in the same run on the stand-in desktop. Each
// key is timed on its own, so the summary gives per-key medians.
//
// A key's time is its callback's: what the key waits for. The work the callback
// leaves for after the key has been answered (EventTapFactory::performAfterEvent,
// as handing the keystroke to the tap queue) still runs for every key, right
// after the callback on the same thread as the desktop would run it, and its
// time is reported on its own ("after event" rows).
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "StandInBench.h"
#include "app/AppComposition.h"
#include "app/sim/StandInPlatform.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "platform/keyboard/EventTapFactory.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/keyboard/KeyboardDriver.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace {

using namespace qm;
using Clock = std::chrono::steady_clock;

// The after-event blocks of the key the benchmark is timing, on the benchmark's
// thread; nothing while no key is timed there.
thread_local std::vector<std::function<void()>>* afterEventBlocks = nullptr;

// Hands the tap factory's callback to the benchmark as well as to the desktop,
// and keeps the after-event blocks of a timed key for the benchmark to run.
class CapturingTapFactory final : public EventTapFactory {
public:
    explicit CapturingTapFactory(EventTapFactory& inner) : inner_(inner) {}

    std::shared_ptr<EventTap> createTap(EventTap::Location location, EventTap::Placement placement,
                                        EventTap::Options options, EventMask eventsOfInterest,
                                        EventTap::Callback callback) override
    {
        captured = callback;
        return inner_.createTap(location, placement, options, eventsOfInterest, std::move(callback));
    }

    void performAfterEvent(std::function<void()> block) override
    {
        if (afterEventBlocks != nullptr) {
            afterEventBlocks->push_back(std::move(block));
        } else {
            inner_.performAfterEvent(std::move(block));
        }
    }

    EventTap::Callback captured;

private:
    EventTapFactory& inner_;
};

std::vector<KeyEvent> keyDowns(std::string_view text)
{
    std::vector<KeyEvent> downs;
    for (const KeyEvent& event : KeyboardDriver::eventsForText(text)) {
        if (event.type() == KeyEventType::keyDown) {
            downs.push_back(event);
        }
    }
    return downs;
}

// The event tap of the app composed on the stand-in desktop, its tap factory
// captured: an editor in front with a focused field, the real capture router
// and privacy firewall.
struct World {
    World()
        : editor(desktop.addApplication("com.example.editor", "Editor")),
          field(bench::addFocusedField(editor)), factory(desktop.eventTaps()),
          app(bundle(), bench::quietOptions(0)), router(app.captureRouter()), manager(app.eventTapManager())
    {
        editor.activate();
        bench::startTap(manager, delegate, loop);
    }

    ~World()
    {
        manager.stop();
        drain();
    }

    PlatformBundle bundle()
    {
        PlatformBundle made = platform.bundle(folder.path());
        made.eventTaps = factory;
        return made;
    }

    // Waits for the capture a trigger opened, closes it and brings the editor
    // back in front with an empty passive buffer.
    void closeCapture()
    {
        while (router.isCaptureTransitionThreadSafe()) {
            loop.runUntilIdle();
            std::this_thread::yield();
        }
        loop.runUntilIdle();
        router.cancelCapture();
        editor.activate();
        loop.runUntilIdle();
        router.clearPassiveBuffer();
    }

    // Lets the tap queue and the main loop catch up (the session timer included).
    void drain()
    {
        for (int round = 0; round < 3; ++round) {
            manager.processingQueue().sync([] {});
            loop.advance(10.0);
        }
    }

    StandInPlatform platform;
    SimMainLoop& loop = platform.loop;
    StandInDesktop& desktop = platform.desktop;
    bench::PrivateHome folder;
    SimApplication editor;
    SimTextField field;
    CapturingTapFactory factory;
    bench::QuietDelegate delegate;
    AppComposition app;
    CaptureRouterController& router;
    EventTapManager& manager;
};

World* world = nullptr;

const EventTap::Callback baseline = [](const KeyEvent& event) -> std::optional<KeyEvent> { return event; };

// Per-key samples in nanoseconds, by benchmark.
std::map<std::string, std::vector<double>> samples;

struct KeyTiming {
    double callbackSeconds = 0;  // the key's latency
    double afterEventSeconds = 0;
    std::size_t afterEventBlocks = 0;
    bool swallowed = false;
};

// Times the callback, then runs and times the blocks it left for after the event.
KeyTiming timedKey(const EventTap::Callback& callback, const KeyEvent& event)
{
    std::vector<std::function<void()>> blocks;
    afterEventBlocks = &blocks;
    const auto start = Clock::now();
    auto result = callback(event);
    const auto end = Clock::now();
    afterEventBlocks = nullptr;
    benchmark::DoNotOptimize(result);
    for (auto& block : blocks) {
        block();
    }
    const auto afterEnd = Clock::now();
    return {std::chrono::duration<double>(end - start).count(),
            std::chrono::duration<double>(afterEnd - end).count(), blocks.size(), !result.has_value()};
}

// Keeps the key's two times under `name` and `name, after event`.
double record(const std::string& name, const KeyTiming& timing)
{
    samples[name].push_back(timing.callbackSeconds * 1e9);
    samples[name + ", after event"].push_back(timing.afterEventSeconds * 1e9);
    return timing.callbackSeconds;
}

// Plain typing, one key per iteration. Burst: keys back to back, so the tap
// queue is still busy with earlier keys. Paced: the tap queue is idle before
// every key, as between the keys of a person typing, so every key wakes it.
// `handsOff`: every key must leave its tap-queue hand-off for after the event.
void runTyping(benchmark::State& state, const char* name, const EventTap::Callback& callback, bool paced,
               bool handsOff)
{
    static const std::vector<KeyEvent> keys = keyDowns("the quick brown fox jumps over the lazy dog ");
    std::size_t next = 0;
    std::int64_t swallowedCount = 0;
    std::int64_t keysWithoutHandOff = 0;
    std::int64_t count = 0;
    for (auto _ : state) {
        if (paced) {
            world->manager.processingQueue().sync([] {});
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        const KeyTiming timing = timedKey(callback, keys[next]);
        state.SetIterationTime(record(name, timing));
        swallowedCount += timing.swallowed ? 1 : 0;
        keysWithoutHandOff += timing.afterEventBlocks == 0 ? 1 : 0;
        next = (next + 1) % keys.size();
        if (++count % 512 == 0) {
            world->drain();
        }
    }
    world->drain();
    if (swallowedCount > 0) {
        state.SkipWithError("a typed key was swallowed");
    } else if (handsOff && keysWithoutHandOff > 0) {
        state.SkipWithError("a typed key left no tap-queue hand-off for after the event");
    }
}

void BM_Baseline(benchmark::State& state)
{
    runTyping(state, "baseline (returns event)", baseline, false, false);
}

void BM_TypingBurst(benchmark::State& state)
{
    runTyping(state, "typing, burst", world->factory.captured, false, true);
}

void BM_TypingPaced(benchmark::State& state)
{
    runTyping(state, "typing, paced", world->factory.captured, true, true);
}

// The tap's own decisions alone: the tap queue is held, so no key wakes it
// and nothing runs beside the callback. Keys pile up and are processed after.
void BM_TypingQueueHeld(benchmark::State& state)
{
    static const std::vector<KeyEvent> keys = keyDowns("the quick brown fox jumps over the lazy dog ");
    std::atomic<bool> released{false};
    world->manager.processingQueue().async([&released] {
        while (!released.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::size_t next = 0;
    for (auto _ : state) {
        state.SetIterationTime(
            record("typing, tap queue held", timedKey(world->factory.captured, keys[next])));
        next = (next + 1) % keys.size();
    }
    released = true;
    world->drain();
}

// Only the Space that completes "//note" is timed; before each, the capture
// the previous one opened is closed and the field holds the trigger again.
void BM_CompletedTrigger(benchmark::State& state)
{
    static const std::vector<KeyEvent> body = keyDowns("//note");
    static const KeyEvent space = keyDowns(" ").front();
    std::int64_t passed = 0;
    std::int64_t count = 0;
    for (auto _ : state) {
        world->closeCapture();
        world->field.setValue("//note");
        for (const KeyEvent& key : body) {
            world->factory.captured(key);
        }
        const KeyTiming timing = timedKey(world->factory.captured, space);
        state.SetIterationTime(record("completed //note trigger", timing));
        passed += timing.swallowed ? 0 : 1;
        if (++count % 256 == 0) {
            world->drain();
        }
    }
    world->closeCapture();
    world->drain();
    if (passed > 0) {
        state.SkipWithError("a completed trigger was not swallowed");
    }
}

// Two parts of the typing cost that are not the tap's own decisions: the
// capture router's passive trigger detection, and handing a task to an idle
// serial queue (waking its thread).
void BM_RouterOnly(benchmark::State& state)
{
    const EventTap::Callback routerOnly = [](const KeyEvent& event) -> std::optional<KeyEvent> {
        if (world->router.handleKeyEvent(event)) {
            return std::nullopt;
        }
        return event;
    };
    runTyping(state, "router's trigger detection", routerOnly, false, false);
}

void BM_IdleQueueHandOff(benchmark::State& state)
{
    static SerialQueue queue("com.quillmarker.bench");
    const EventTap::Callback handOff = [](const KeyEvent& event) -> std::optional<KeyEvent> {
        queue.async([event] { benchmark::DoNotOptimize(event); });
        return event;
    };
    const KeyEvent key = keyDowns("a").front();
    for (auto _ : state) {
        queue.sync([] {});
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        state.SetIterationTime(record("hand-off to an idle queue", timedKey(handOff, key)));
    }
}

BENCHMARK(BM_Baseline)->UseManualTime()->Iterations(20000)->Repetitions(3);
BENCHMARK(BM_TypingBurst)->UseManualTime()->Iterations(20000)->Repetitions(3);
BENCHMARK(BM_TypingPaced)->UseManualTime()->Iterations(5000)->Repetitions(3);
BENCHMARK(BM_TypingQueueHeld)->UseManualTime()->Iterations(5000)->Repetitions(3);
BENCHMARK(BM_CompletedTrigger)->UseManualTime()->Iterations(2000)->Repetitions(3);
BENCHMARK(BM_RouterOnly)->UseManualTime()->Iterations(20000);
BENCHMARK(BM_IdleQueueHandOff)->UseManualTime()->Iterations(5000);

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty()) {
        return 0;
    }
    const auto at =
        values.begin() + static_cast<std::ptrdiff_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

void printSummary()
{
    const double base = percentile(samples["baseline (returns event)"], 0.5);
    fmt::print("\nPer key, each key timed on its own (medians; overhead and ratio against the baseline)\n");
    const auto print = [base](const std::string& name, const std::vector<double>& recorded) {
        const double median = percentile(recorded, 0.5);
        fmt::print(
            "{:<40} median {:8.0f} ns  p90 {:8.0f} ns  overhead {:8.0f} ns  ratio {:7.1f}x  ({} keys)\n",
            name, median, percentile(recorded, 0.9), median - base, base > 0 ? median / base : 0.0,
            recorded.size());
    };
    for (const std::string name :
         {"baseline (returns event)", "typing, burst", "typing, paced", "typing, tap queue held",
          "completed //note trigger", "router's trigger detection", "hand-off to an idle queue"}) {
        if (!samples[name].empty()) {
            print(name, samples[name]);
        }
    }
    fmt::print("\nAfter the event: the work each key left for after its answer, on the same thread\n");
    for (const std::string name :
         {"typing, burst", "typing, paced", "typing, tap queue held", "completed //note trigger"}) {
        if (const auto& recorded = samples[name + ", after event"]; !recorded.empty()) {
            fmt::print("{:<40} median {:8.0f} ns  p90 {:8.0f} ns  ({} keys)\n", name + ", after event",
                       percentile(recorded, 0.5), percentile(recorded, 0.9), recorded.size());
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    {
        World shared;
        world = &shared;
        benchmark::RunSpecifiedBenchmarks();
        world = nullptr;
    }
    benchmark::Shutdown();
    printSummary();
    return 0;
}
