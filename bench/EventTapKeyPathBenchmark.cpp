// The cost the event tap adds to every key as a person types: keys in bursts
// and with real pauses of 20 ms and 100 ms between them (during which other
// work runs and the caches go cold), in text with accented letters, Cyrillic,
// emoji, punctuation, Return, Delete and triggers begun and abandoned. Beside
// it, in the same run and measured the same way, a callback that only returns
// the event (the pass-through): what any tap costs.
//
// The tap is composed as the program composes it: the machine's clock, the
// own-window guard asked for every key, and the privacy firewall whose cache
// of excluded applications goes stale after a pause. The first key after a
// 30 s pause has a row of its own: the clock moves on 30 s before it (the
// firewall's cache is then stale) and the key comes after a real pause long
// enough for the tap queue to have gone to sleep.
//
// Every key is timed on its own. Its latency is its callback's: what the key
// waits for. The work the callback leaves for after the key has been answered
// (EventTapFactory::performAfterEvent, such as waking the tap queue after a
// pause) runs right after, on the same thread as the platform runs it; the tap
// thread's busy time per key is the two together. The key that completes a
// "//note" trigger is timed the same way at the same paces.
//
// Google Benchmark's rows give the mean callback time per key of each
// repetition (three unless --benchmark_repetitions says otherwise); the summary
// after them gives per-key medians, means and p90 over all repetitions.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "BenchArguments.h"
#include "SampleStats.h"
#include "StandInBench.h"
#include "app/AppComposition.h"
#include "app/sim/StandInPlatform.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "capture/FrontmostApplicationCache.h"
#include "platform/keyboard/EventTapFactory.h"
#include "platform/keyboard/SecureInput.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/display/SimApplicationWindows.h"
#include "platform/sim/keyboard/KeyboardDriver.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "shell/OwnWindowKeyboardGuard.h"

namespace {

using namespace qm;
using Clock = std::chrono::steady_clock;

// What a person types. "\b" is the Delete key, "\n" Return. The triggers in it
// are begun and abandoned, never completed: no key here may open a capture.
constexpr std::string_view kPersonTyping =
    "Café crème at 9:30, naïve résumé? Ok.\n"
    "Привет, как дела? Всё хорошо, спасибо!\n"
    "Thanks 👍🏽 see you at the façade\b\b\b\b\b\bdoor 🎉 with 👨‍👩‍👧 (3 of us).\n"
    "//no\b\b\bnotes from the call: ship it -- Zoë; «ça va» \"quoted\" & done...\n"
    "todo //tim\b\b\b\b\b later, //calcul\b\b\b\b\b\b\b no; 42 + 7 = 49 € ok?\b!\n";

// The key-downs of `script`, the only events the tap asks for.
std::vector<KeyEvent> keyDowns(std::string_view script)
{
    std::vector<KeyEvent> downs;
    const auto keep = [&downs](const std::vector<KeyEvent>& events) {
        for (const KeyEvent& event : events) {
            if (event.type() == KeyEventType::keyDown) {
                downs.push_back(event);
            }
        }
    };
    while (!script.empty()) {
        const std::size_t deleteAt = script.find('\b');
        keep(KeyboardDriver::eventsForText(script.substr(0, deleteAt)));
        if (deleteAt == std::string_view::npos) {
            break;
        }
        keep(KeyboardDriver::eventsForChord("delete"));
        script.remove_prefix(deleteAt + 1);
    }
    return downs;
}

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

// The machine's clock, which a benchmark may move on as a long pause would
// have: what the key path reads costs what the program's clock costs.
class MovableSystemClock final : public qm::Clock {
public:
    double now() const override { return Clock::system().now() + skipped_.load(std::memory_order_relaxed); }
    void skip(double seconds) { skipped_.store(skipped_.load() + seconds, std::memory_order_relaxed); }

private:
    std::atomic<double> skipped_{0};
};

// The event tap of the app composed on the stand-in desktop, its tap factory
// captured: an editor in front with a focused field, the machine's clock, the
// own-window guard, the real capture router and privacy firewall.
struct World {
    World()
        : editor(desktop.addApplication("com.example.editor", "Editor")),
          field(bench::addFocusedField(editor)), factory(desktop.eventTaps()), app(bundle(), options()),
          router(app.captureRouter()), manager(app.eventTapManager())
    {
        editor.activate();
        bench::startTap(manager, delegate, loop);
    }

    AppComposition::Options options()
    {
        AppComposition::Options made = bench::quietOptions(0);
        made.isOwnEditableWindowKey = [this] { return guard.isOwnEditableWindowKey(); };
        return made;
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
        made.clock = clock;
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

    // What a key handed on is done with: the tap queue's keystroke and the
    // main thread's reports, as an idle main thread would run them.
    void settle()
    {
        manager.processingQueue().sync([] {});
        loop.runUntilIdle();
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
    MovableSystemClock clock;
    SimApplicationWindows windows{platform.notificationCenter};
    OwnWindowKeyboardGuard guard{platform.loop, platform.notificationCenter, windows};
    CapturingTapFactory factory;
    bench::QuietDelegate delegate;
    AppComposition app;
    CaptureRouterController& router;
    EventTapManager& manager;
};

World* world = nullptr;

const EventTap::Callback passThrough = [](const KeyEvent& event) -> std::optional<KeyEvent> { return event; };

// The paces, as the benchmarks' argument: milliseconds between keys (0: a burst).
constexpr int kBurst = 0;
constexpr int kTwentyMs = 20;
constexpr int kHundredMs = 100;
// The first key after a pause this long (the clock moves on by it; the real
// pause is long enough for the tap queue to go to sleep).
constexpr int kThirtySeconds = 30000;
constexpr auto kRealPauseBeforeFirstKey = std::chrono::milliseconds(1200);

// Per-key samples in nanoseconds, by row name and pace.
std::map<std::pair<std::string, int>, std::vector<double>> samples;

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

// Keeps the key's callback, after-event and busy times under `name`.
void record(const std::string& name, int pace, const KeyTiming& timing)
{
    samples[{name + ": callback", pace}].push_back(timing.callbackSeconds * 1e9);
    samples[{name + ": after-event work", pace}].push_back(timing.afterEventSeconds * 1e9);
    samples[{name + ": tap-thread busy", pace}].push_back(
        (timing.callbackSeconds + timing.afterEventSeconds) * 1e9);
}

void pause(int pace)
{
    if (pace > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pace));
    }
}

const char* const kPassThrough = "pass-through";
const char* const kOurs = "our tap";
const char* const kTrigger = "our tap, key completing //note";
const char* const kIdleQueue = "hand-off to an idle serial queue";
const char* const kFirstAfterPause = "our tap, first key after the pause";

// One key of the script per iteration, each after the pace's pause. In a
// burst the tap queue may still be busy with earlier keys; paced, what a key
// handed on is done with before the pause, as it would be by the next key.
void typeScript(benchmark::State& state, const char* name, const EventTap::Callback& callback)
{
    static const std::vector<KeyEvent> keys = keyDowns(kPersonTyping);
    const int pace = static_cast<int>(state.range(0));
    std::size_t next = 0;
    std::int64_t swallowed = 0;
    for (auto _ : state) {
        pause(pace);
        const KeyTiming timing = timedKey(callback, keys[next]);
        state.SetIterationTime(timing.callbackSeconds);
        record(name, pace, timing);
        swallowed += timing.swallowed ? 1 : 0;
        next = (next + 1) % keys.size();
        if (pace > 0) {
            world->settle();
        } else if (next % 256 == 0) {
            world->drain();
        }
    }
    world->drain();
    if (swallowed > 0) {
        state.SkipWithError("a typed key was swallowed");
    }
}

void BM_PassThrough(benchmark::State& state)
{
    typeScript(state, kPassThrough, passThrough);
}

void BM_OurTap(benchmark::State& state)
{
    typeScript(state, kOurs, world->factory.captured);
}

// "//note" typed at the pace, then the Space that completes it, timed. Before
// each, the capture the previous one opened is closed and the field holds the
// trigger as typed (the keys here reach the tap only).
void BM_CompletedTrigger(benchmark::State& state)
{
    static const std::vector<KeyEvent> body = keyDowns("//note");
    static const KeyEvent space = keyDowns(" ").front();
    const int pace = static_cast<int>(state.range(0));
    std::int64_t passed = 0;
    for (auto _ : state) {
        world->closeCapture();
        world->field.setValue("//note");
        for (const KeyEvent& key : body) {
            pause(pace);
            timedKey(world->factory.captured, key);
            if (pace > 0) {
                world->settle();
            }
        }
        pause(pace);
        const KeyTiming timing = timedKey(world->factory.captured, space);
        state.SetIterationTime(timing.callbackSeconds);
        record(kTrigger, pace, timing);
        passed += timing.swallowed ? 0 : 1;
    }
    world->closeCapture();
    world->drain();
    if (passed > 0) {
        state.SkipWithError("a completed trigger was not swallowed");
    }
}

// One key of the script per iteration, each the first after a 30 s pause: the
// clock moves on 30 s (the firewall's cache of excluded applications goes
// stale, the typing session ends) after a real pause in which the tap queue
// goes to sleep.
void BM_FirstKeyAfterPause(benchmark::State& state)
{
    static const std::vector<KeyEvent> keys = keyDowns(kPersonTyping);
    std::size_t next = 0;
    std::int64_t swallowed = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(kRealPauseBeforeFirstKey);
        world->clock.skip(kThirtySeconds / 1000.0);
        const KeyTiming timing = timedKey(world->factory.captured, keys[next]);
        state.SetIterationTime(timing.callbackSeconds);
        record(kFirstAfterPause, kThirtySeconds, timing);
        swallowed += timing.swallowed ? 1 : 0;
        next = (next + 1) % keys.size();
        world->settle();
    }
    world->drain();
    if (swallowed > 0) {
        state.SkipWithError("a typed key was swallowed");
    }
}

// The floor of any hand-off that wakes a sleeping thread: one task given to an
// idle serial queue at the pace, from a callback that returns the event.
void BM_IdleQueueHandOff(benchmark::State& state)
{
    static SerialQueue queue("com.quillmarker.bench");
    static const KeyEvent key = keyDowns("a").front();
    const EventTap::Callback handOff = [](const KeyEvent& event) -> std::optional<KeyEvent> {
        queue.async([event] { benchmark::DoNotOptimize(event); });
        return event;
    };
    const int pace = static_cast<int>(state.range(0));
    for (auto _ : state) {
        queue.sync([] {});
        pause(pace);
        const KeyTiming timing = timedKey(handOff, key);
        state.SetIterationTime(timing.callbackSeconds);
        samples[{std::string(kIdleQueue) + ": callback", pace}].push_back(timing.callbackSeconds * 1e9);
    }
}

// The stages of one key's decision, each timed on its own at the pace, the
// caches as cold as the pause leaves them: where the callback's time goes.
// Each is called as the tap calls it; timed alone, each pays its own cold
// start, so together they come to more than the callback.
enum class Stage { frontmost, secureInput, routerFlags, passiveDetection, typingFlags };

struct StageRow {
    Stage stage;
    const char* name;
};

constexpr StageRow kStages[]{
    {Stage::frontmost, "stage: application in front and firewall verdict"},
    {Stage::secureInput, "stage: secure input"},
    {Stage::routerFlags, "stage: capture router's two flags"},
    {Stage::passiveDetection, "stage: passive trigger detection"},
    {Stage::typingFlags, "stage: typing state flags"},
};

void BM_KeyStage(benchmark::State& state)
{
    static const std::vector<KeyEvent> keys = keyDowns(kPersonTyping);
    static FrontmostApplicationCache frontmost(world->platform.desktop.workspace(),
                                               world->app.privacyFirewall());
    const StageRow& row = kStages[state.range(1)];
    const int pace = static_cast<int>(state.range(0));
    SecureInput& secureInput = world->platform.desktop.secureInput();
    const CaptureRouterController::AfterKey afterKey = [](std::function<void()> block) { block(); };
    std::size_t next = 0;
    for (auto _ : state) {
        pause(pace);
        const KeyEvent& key = keys[next];
        next = (next + 1) % keys.size();
        const auto start = Clock::now();
        switch (row.stage) {
        case Stage::frontmost:
            benchmark::DoNotOptimize(frontmost.current());
            break;
        case Stage::secureInput:
            benchmark::DoNotOptimize(secureInput.isSecureEventInputEnabled());
            break;
        case Stage::routerFlags:
            benchmark::DoNotOptimize(world->router.isCaptureModeActiveThreadSafe() ||
                                     world->router.isCaptureTransitionThreadSafe());
            break;
        case Stage::passiveDetection:
            benchmark::DoNotOptimize(world->router.handleKeyEvent(key, afterKey));
            break;
        case Stage::typingFlags:
            benchmark::DoNotOptimize(world->manager.isSuggestionsOverlayVisible());
            break;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        samples[{row.name, pace}].push_back(seconds * 1e9);
        world->settle();
    }
    world->router.clearPassiveBuffer();
}

// Each iteration is one key, its callback's time the iteration's. The
// iteration counts below give stable medians while the paused runs take
// seconds, not minutes.
void typingPaces(benchmark::internal::Benchmark* bench)
{
    bench->UseManualTime()->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_PassThrough)->Apply(typingPaces)->Arg(kBurst)->Iterations(4000);
BENCHMARK(BM_OurTap)->Apply(typingPaces)->Arg(kBurst)->Iterations(4000);
BENCHMARK(BM_PassThrough)->Apply(typingPaces)->Arg(kTwentyMs)->Iterations(400);
BENCHMARK(BM_OurTap)->Apply(typingPaces)->Arg(kTwentyMs)->Iterations(400);
BENCHMARK(BM_PassThrough)->Apply(typingPaces)->Arg(kHundredMs)->Iterations(150);
BENCHMARK(BM_OurTap)->Apply(typingPaces)->Arg(kHundredMs)->Iterations(150);
BENCHMARK(BM_CompletedTrigger)->Apply(typingPaces)->Arg(kBurst)->Iterations(500);
BENCHMARK(BM_CompletedTrigger)->Apply(typingPaces)->Arg(kTwentyMs)->Iterations(60);
BENCHMARK(BM_CompletedTrigger)->Apply(typingPaces)->Arg(kHundredMs)->Iterations(25);
BENCHMARK(BM_FirstKeyAfterPause)->Apply(typingPaces)->Arg(kThirtySeconds)->Iterations(20);
BENCHMARK(BM_IdleQueueHandOff)->Apply(typingPaces)->Arg(kTwentyMs)->Iterations(100);
BENCHMARK(BM_IdleQueueHandOff)->Apply(typingPaces)->Arg(kHundredMs)->Iterations(100);

BENCHMARK(BM_KeyStage)
    ->Apply(typingPaces)
    ->ArgsProduct({{kHundredMs}, benchmark::CreateDenseRange(0, std::size(kStages) - 1, 1)})
    ->Iterations(60);

std::string paceName(int pace)
{
    if (pace == kThirtySeconds) {
        return "the first key after a 30 s pause";
    }
    return pace == kBurst ? std::string("burst (keys back to back)")
                          : fmt::format("{} ms between keys", pace);
}

bench::SampleStats statsOf(const std::string& row, int pace)
{
    const auto found = samples.find({row, pace});
    return found == samples.end() ? bench::SampleStats{} : bench::SampleStats::of(found->second);
}

void printSummary()
{
    fmt::print("\nPer key, each key timed on its own, in microseconds (all repetitions together)\n");
    for (const int pace : {kBurst, kTwentyMs, kHundredMs, kThirtySeconds}) {
        // The pause row's ratio is against the pass-through at 100 ms.
        const bench::SampleStats base =
            statsOf(std::string(kPassThrough) + ": callback", pace == kThirtySeconds ? kHundredMs : pace);
        const bool timed = pace == kThirtySeconds
                               ? statsOf(std::string(kFirstAfterPause) + ": callback", pace).count > 0
                               : base.count > 0;
        if (!timed) {
            continue;
        }
        fmt::print("\n{}\n", paceName(pace));
        fmt::print("  {:<52} {:>8} {:>8} {:>8} {:>8} {:>8} {:>7}  {:>6}\n", "", "median", "mean", "p90",
                   "p99", "max", "keys", "median ratio");
        const auto printRow = [&base](const std::string& name, const bench::SampleStats& stats) {
            fmt::print("  {:<52} {:8.2f} {:8.2f} {:8.2f} {:8.2f} {:8.2f} {:7}  {:6.1f}x\n", name,
                       stats.median / 1e3, stats.mean / 1e3, stats.p90 / 1e3, stats.p99 / 1e3,
                       stats.max / 1e3, stats.count, base.median > 0 ? stats.median / base.median : 0.0);
        };
        for (const std::string who : {kPassThrough, kOurs, kTrigger, kIdleQueue, kFirstAfterPause}) {
            for (const char* part : {": callback", ": after-event work", ": tap-thread busy"}) {
                const bench::SampleStats stats = statsOf(who + part, pace);
                if (stats.count > 0 && (who != kPassThrough || part == std::string(": callback"))) {
                    printRow(who + part, stats);
                }
            }
        }
        for (const StageRow& row : kStages) {
            if (const bench::SampleStats stats = statsOf(row.name, pace); stats.count > 0) {
                printRow(row.name, stats);
            }
        }
    }
    // What a person could notice: no key of ours, at a person's pace or after
    // a long pause, waits 100 us for the tap.
    const auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    fmt::print("\nGoal: every key's callback p99 under 100 us at a person's pace\n");
    const std::pair<const char*, int> paced[]{
        {kOurs, kHundredMs}, {kTrigger, kHundredMs}, {kFirstAfterPause, kThirtySeconds}};
    for (const auto& [who, pace] : paced) {
        if (const bench::SampleStats stats = statsOf(std::string(who) + ": callback", pace);
            stats.count > 0) {
            fmt::print("  {}, {}: {} (median {:.2f} us, p99 {:.2f} us, max {:.2f} us)\n", who, paceName(pace),
                       verdict(stats.p99 < 100e3), stats.median / 1e3, stats.p99 / 1e3, stats.max / 1e3);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    bench::BenchArguments arguments(argc, argv);
    benchmark::Initialize(arguments.argc(), arguments.argv());
    if (benchmark::ReportUnrecognizedArguments(*arguments.argc(), arguments.argv())) {
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
