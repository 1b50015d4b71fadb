// Start-up to the first shown main window (offscreen, warm) and the resident
// memory of the program once its window shows.
//
// The parent runs the benchmarks; each iteration of BM_StartupToFirstShownWindow
// starts this program again as a child ("--startup-child"), which goes through
// the program's own start-up steps, shows the main window and reports when the
// window is exposed together with its resident memory.
#include "app/AppStartup.h"
#include "app/HeadphonesDevice.h"
#include "app/SingleInstance.h"
#include "bench/support/BenchmarkRun.h"
#include "bench/support/ChildReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr const char *kChildSwitch = "--startup-child";

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

bool waitUntilExposed(QWidget &window, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QCoreApplication::processEvents();
    return true;
}

// The program's start-up up to the shown window, as AppStartup::run does it.
int runChild(int argc, char **argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    AppStartup::installStyle(app);
    AppStartup::silenceMessages();
    AppStartup::setIdentity(app);
    if (SingleInstance::notifyRunningInstance())
        return 2;
    AppStartup::configureServices(app);
    HeadphonesDevice window;
    SingleInstance::startServer(&window, [&window] { window.raiseMainWindowFromTray(); });
    window.show();
    if (!waitUntilExposed(window, 10000))
        return 3;
    std::printf("shown %lld %.2f\n", static_cast<long long>(sinceMain.elapsed()), residentMiB());
    std::fflush(stdout);
    return 0;
}

// Figures: milliseconds from main to the shown window, resident MiB.
std::optional<ChildReport> startChild(const QString &program, const QProcessEnvironment &env)
{
    return ChildReport::run(program, {QString::fromLatin1(kChildSwitch)}, env, "shown", 2, 30000);
}

QString g_program;

void BM_StartupToFirstShownWindow(benchmark::State &state)
{
    QTemporaryDir home;
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    // Warm the file cache and the settings folders once.
    startChild(g_program, env);

    double rss = 0;
    double inProcess = 0;
    for (auto _ : state) {
        const std::optional<ChildReport> report = startChild(g_program, env);
        if (!report) {
            state.SkipWithError("the child did not show its window");
            return;
        }
        state.SetIterationTime(report->wallMs / 1000.0);
        inProcess += report->figures.at(0);
        rss = report->figures.at(1);
    }
    state.counters["rss_MiB"] = rss;
    state.counters["main_to_shown_ms"] = inProcess / static_cast<double>(state.iterations());
}
BENCHMARK(BM_StartupToFirstShownWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The window alone, built and shown inside a running application.
void BM_MainWindowConstructAndShow(benchmark::State &state)
{
    for (auto _ : state) {
        auto window = std::make_unique<HeadphonesDevice>();
        window->show();
        if (!waitUntilExposed(*window, 10000)) {
            state.SkipWithError("the window was not exposed");
            return;
        }
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MainWindowConstructAndShow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kChildSwitch) == 0)
        return runChild(argc, argv);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    AppStartup::installStyle(app);
    AppStartup::silenceMessages();
    AppStartup::setIdentity(app);
    g_program = QCoreApplication::applicationFilePath();

    return runBenchmarks(argc, argv);
}
