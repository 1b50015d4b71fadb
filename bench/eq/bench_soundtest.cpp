// What the sound test's audio costs the program's start: the three EQ pages
// each hold a sound test, and its player, audio output and device watcher are
// either made with the widget or at its first press.
//
// Each iteration starts this program again as a child ("--soundtest-child
// eager|lazy"): a fresh process, so the multimedia back end is set up from
// nothing, as at the program's start. The child builds the three widgets and
// reports how long that took, then how long the first press took.
#include "bench/support/BenchmarkRun.h"
#include "bench/support/ChildReport.h"
#include "eq/EQSoundEffectTestWidget.h"
#include "eq/QtSoundTestAudio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr const char *kChildSwitch = "--soundtest-child";

int runChild(int argc, char **argv)
{
    const bool eager = argc > 2 && std::strcmp(argv[2], "eager") == 0;
    QApplication app(argc, argv);
    QWidget page;
    std::vector<std::unique_ptr<EQSoundEffectTestWidget>> widgets;

    QElapsedTimer built;
    built.start();
    for (int kind : {EQSoundEffectTestWidget::OfficialPage, EQSoundEffectTestWidget::CloudSharingPage,
                     EQSoundEffectTestWidget::CustomPage}) {
        if (eager)
            widgets.push_back(
                std::make_unique<EQSoundEffectTestWidget>(&page, kind, std::make_unique<QtSoundTestAudio>()));
        else
            widgets.push_back(std::make_unique<EQSoundEffectTestWidget>(&page, kind));
    }
    const double builtMs = built.nsecsElapsed() / 1e6;

    QElapsedTimer pressed;
    pressed.start();
    widgets.front()->playTrack(EQSoundEffectTestWidget::MusicTrack);
    const double pressMs = pressed.nsecsElapsed() / 1e6;

    std::printf("built %.3f %.3f\n", builtMs, pressMs);
    std::fflush(stdout);
    widgets.clear();
    return 0;
}

QString g_program;

std::optional<ChildReport> startChild(const char *mode)
{
    return ChildReport::run(g_program, {QString::fromLatin1(kChildSwitch), QString::fromLatin1(mode)},
                            QProcessEnvironment::systemEnvironment(), "built", 2, 60000);
}

// Building the three sound tests in a fresh process; the first press of one of them.
void BM_ThreeSoundTestsInFreshProcess(benchmark::State &state, const char *mode)
{
    startChild(mode); // warms the file cache and the back end's plugin registry
    double press = 0;
    for (auto _ : state) {
        const std::optional<ChildReport> report = startChild(mode);
        if (!report) {
            state.SkipWithError("the child did not report");
            return;
        }
        state.SetIterationTime(report->figures.at(0) / 1000.0); // building
        press += report->figures.at(1);
    }
    state.counters["first_press_ms"] = press / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_ThreeSoundTestsInFreshProcess, audio_at_construction, "eager")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
BENCHMARK_CAPTURE(BM_ThreeSoundTestsInFreshProcess, audio_at_first_press, "lazy")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

// One more player, audio output and device watcher once the back end is up.
void BM_SoundTestAudioWarm(benchmark::State &state)
{
    QtSoundTestAudio first;
    for (auto _ : state)
        benchmark::DoNotOptimize(std::make_unique<QtSoundTestAudio>());
}
BENCHMARK(BM_SoundTestAudioWarm)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::strcmp(argv[1], kChildSwitch) == 0)
        return runChild(argc, argv);

    // A sound server of the session stays reachable through its runtime folder.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QApplication app(argc, argv);
    g_program = QCoreApplication::applicationFilePath();

    return runBenchmarks(argc, argv);
}
