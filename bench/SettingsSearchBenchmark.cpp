// How long a search keystroke keeps the settings window busy: from the key
// press in the search field of the History page (10,000 captures recorded,
// the store keeping its newest 2000) and of the Error Logs page (5,000 failed
// captures in the recovery log) to the window repainted with the new rows, on
// the offscreen platform. Every iteration types one letter of a word the rows
// contain, or, at the word's end, takes the word away again, so the list
// shrinks and grows as it does under a person's typing. The summary prints
// p50 and p99 per keystroke; one frame is 16 ms.
//
// Three repetitions unless --benchmark_repetitions says otherwise.
#include <chrono>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "BenchArguments.h"
#include "SampleStats.h"
#include "StandInBench.h"
#include "app/AppComposition.h"
#include "app/sim/StandInPlatform.h"
#include "records/CaptureHistoryStore.h"
#include "records/FallbackCaptureLogger.h"
#include "settings/SettingsWindowModel.h"
#include "settings/views/ErrorLogsPage.h"
#include "settings/views/HistoryPage.h"
#include "settings/views/SettingsWindowWidget.h"

namespace qm {
namespace {

constexpr int kHistoryRows = 10'000;
constexpr int kLogEntries = 5'000;

// A capture text: mostly one line, every fifth one long enough to wrap well
// past the three lines a row shows.
std::string captureText(int i)
{
    static const char* const words[] = {"project", "standup", "invoice", "garden", "review", "meeting"};
    std::string text = fmt::format("{} note {} about the {} plan", words[i % 6], i, words[(i / 6) % 6]);
    if (i % 5 == 0) {
        for (int k = 0; k < 12; ++k) {
            text += fmt::format(" and then the {} follow-up for week {}", words[(i + k) % 6], k);
        }
    }
    return text;
}

struct World {
    World() : app(platform.bundle(home.path()), bench::quietOptions())
    {
        for (int i = 0; i < kHistoryRows; ++i) {
            app.history().record(i % 7 == 0 ? "slack" : "note", captureText(i), i % 9 != 0);
        }
        platform.loop.runUntilIdle();
        for (int i = 0; i < kLogEntries; ++i) {
            app.recoveryLog().saveFallback(
                captureText(i), i % 2 ? "obsidian" : "slack",
                std::runtime_error(fmt::format("Obsidian vault path does not exist or is not a folder: "
                                               "/home/me/Vault{}. Re-select it under Capture Targets.",
                                               i % 13)));
        }
        platform.loop.runUntilIdle();
        model = std::make_unique<SettingsWindowModel>(SettingsServices{
            .mainLoop = platform.loop,
            .notificationCenter = platform.notificationCenter,
            .defaults = platform.defaults,
            .keychain = app.secrets(),
            .history = app.history(),
            .fallbackLog = app.recoveryLog(),
            .pasteboard = platform.pasteboard,
            .workspace = platform.desktop.workspace(),
            .scheduler = app.notificationScheduler(),
            .permissions = app.permissions(),
            .clock = platform.clock,
            .setMCPServerRunning = {},
        });
        window = std::make_unique<SettingsWindowWidget>(*model);
        window->resize(780, 640);
        window->show();
        model->appear();
        platform.loop.runUntilIdle();
        QApplication::processEvents();
    }
    ~World()
    {
        window.reset();
        model.reset();
    }

    bench::PrivateHome home;
    StandInPlatform platform;
    AppComposition app;
    std::unique_ptr<SettingsWindowModel> model;
    std::unique_ptr<SettingsWindowWidget> window;
};

World* world = nullptr;
std::map<std::string, std::vector<double>> samples;

QLineEdit* searchField()
{
    if (auto* history = dynamic_cast<HistoryPage*>(world->window->page())) {
        return history->searchField();
    }
    if (auto* logs = dynamic_cast<ErrorLogsPage*>(world->window->page())) {
        return logs->searchField();
    }
    throw std::logic_error("no search field on this page");
}

void press(QWidget* field, int key, const QString& text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(field, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(field, &up);
}

void searchKeystroke(benchmark::State& state, SettingsSection section, const std::string& name)
{
    world->model->selectSection(section);
    world->platform.loop.runUntilIdle();
    QApplication::processEvents();
    QLineEdit* field = searchField();
    field->setFocus();
    const QString word = "standup";
    int typed = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (typed < word.size()) {
            press(field, Qt::Key_A + (word[typed].unicode() - 'a'), word.mid(typed, 1));
            ++typed;
        } else {
            field->selectAll();
            press(field, Qt::Key_Backspace, {});
            typed = 0;
        }
        QApplication::processEvents();
        world->window->repaint();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        samples[name].push_back(ms);
    }
}

void BM_HistorySearchKeystroke(benchmark::State& state)
{
    searchKeystroke(state, SettingsSection::history, "History");
}
BENCHMARK(BM_HistorySearchKeystroke)->Unit(benchmark::kMillisecond)->Iterations(32);

void BM_ErrorLogsSearchKeystroke(benchmark::State& state)
{
    searchKeystroke(state, SettingsSection::errorLogs, "Error Logs");
}
BENCHMARK(BM_ErrorLogsSearchKeystroke)->Unit(benchmark::kMillisecond)->Iterations(32);

void printSummary()
{
    std::printf("\nSearch keystroke to repainted settings window (%d captures recorded, %d log entries):\n",
                kHistoryRows, kLogEntries);
    for (const auto& [name, values] : samples) {
        const auto stats = bench::SampleStats::of(values);
        std::printf("  %-10s  p50 %8.2f ms   p99 %8.2f ms   max %8.2f ms   (%zu keystrokes)\n", name.c_str(),
                    stats.median, stats.p99, stats.max, stats.count);
    }
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    qm::bench::BenchArguments arguments(argc, argv);
    benchmark::Initialize(arguments.argc(), arguments.argv());
    if (benchmark::ReportUnrecognizedArguments(*arguments.argc(), arguments.argv())) {
        return 1;
    }
    {
        qm::World shared;
        qm::world = &shared;
        benchmark::RunSpecifiedBenchmarks();
        qm::world = nullptr;
    }
    benchmark::Shutdown();
    qm::printSummary();
    return 0;
}
