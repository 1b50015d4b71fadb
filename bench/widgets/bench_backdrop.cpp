// A modal dialog over a window that cross-fades without pause, with the
// window's blurred backdrop behind the dialog and without it, at scale 1 and
// 2: the dialog's own frames per second and how late typed keys show.
//
// Each iteration of BM_DialogOverCrossFade starts this program twice as a
// child at the scale under test ("--dialog-child <backdrop> <ms>"), once bare
// and once with the backdrop; the counters give both and their ratio.
// BM_BlurWindowPicture blurs one whole window picture from every pixel;
// BM_BlurWindowPictureReduced as the backdrop does it, from a reduced copy
// (drawn back here at the full size, which the backdrop does only where the
// window repaints).
#include "bench/support/BenchmarkRun.h"
#include "bench/support/ChildReport.h"
#include "bench/widgets/DialogOverCrossFade.h"
#include "widgets/WindowBlurBackdrop.h"

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr const char *kChildSwitch = "--dialog-child";
constexpr int kWarmUpMs = 600;
constexpr int kMeasureMs = 4000;

// Prints "dialog <frames per second> <worst echo ms> <median echo ms> <keys>".
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    const bool withBackdrop = argc > 2 && std::strcmp(argv[2], "1") == 0;
    const int measureMs = argc > 3 ? std::atoi(argv[3]) : kMeasureMs;
    DialogOverCrossFade scene;
    DialogOverCrossFade::Figures figures = scene.run(withBackdrop, kWarmUpMs, measureMs);
    if (figures.echoMs.isEmpty())
        return 3;
    std::sort(figures.echoMs.begin(), figures.echoMs.end());
    std::printf("dialog %.2f %.2f %.2f %lld\n", figures.framesPerSecond, figures.echoMs.last(),
                figures.echoMs.at(figures.echoMs.size() / 2), static_cast<long long>(figures.echoMs.size()));
    std::fflush(stdout);
    return 0;
}

QString g_program;

std::optional<ChildReport> runDialog(int scale, bool withBackdrop, const QString &runtime)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    const QStringList arguments = {QString::fromLatin1(kChildSwitch), QString::number(int(withBackdrop)),
                                   QString::number(kMeasureMs)};
    return ChildReport::run(g_program, arguments, env, "dialog", 4, 60000);
}

void BM_DialogOverCrossFade(benchmark::State &state)
{
    const int scale = int(state.range(0));
    QTemporaryDir runtime;
    double fps[2] = {0, 0};
    double worst[2] = {0, 0};
    double median[2] = {0, 0};
    for (auto _ : state) {
        double wall = 0;
        // Bare and with the backdrop in turn, so that a busy machine weighs on both alike.
        for (int backdrop = 0; backdrop < 2; ++backdrop) {
            const std::optional<ChildReport> report = runDialog(scale, backdrop == 1, runtime.path());
            if (!report) {
                state.SkipWithError("the child did not run its dialog");
                return;
            }
            wall += report->wallMs;
            fps[backdrop] += report->figures.at(0);
            worst[backdrop] = std::max(worst[backdrop], report->figures.at(1));
            median[backdrop] += report->figures.at(2);
        }
        state.SetIterationTime(wall / 1000.0);
    }
    const double n = double(state.iterations());
    state.counters["bare_fps"] = fps[0] / n;
    state.counters["backdrop_fps"] = fps[1] / n;
    state.counters["fps_ratio"] = fps[0] > 0 ? fps[1] / fps[0] : 0;
    state.counters["bare_worst_echo_ms"] = worst[0];
    state.counters["backdrop_worst_echo_ms"] = worst[1];
    state.counters["bare_median_echo_ms"] = median[0] / n;
    state.counters["backdrop_median_echo_ms"] = median[1] / n;
}
BENCHMARK(BM_DialogOverCrossFade)
    ->ArgName("scale")
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(3);

// A whole 1280 x 720 window's picture at a pixel ratio of 1 or 2.
QImage windowPicture(qreal ratio)
{
    QImage picture(QSize(1280, 720) * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(QColor(0x22, 0x22, 0x22));
    QPainter painter(&picture);
    for (int i = 0; i < 40; ++i)
        painter.fillRect(QRectF(20 + i * 30, 100 + (i % 7) * 70, 24, 50), QColor::fromHsv(i * 9, 200, 220));
    return picture;
}

void BM_BlurWindowPicture(benchmark::State &state)
{
    const QImage picture = windowPicture(qreal(state.range(0)));
    for (auto _ : state) {
        const QImage blurred = WindowBlurBackdrop::blurred(picture, WindowBlurBackdrop::kRadius, Qt::black);
        benchmark::DoNotOptimize(blurred.constBits());
    }
}
BENCHMARK(BM_BlurWindowPicture)->ArgName("ratio")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_BlurWindowPictureReduced(benchmark::State &state)
{
    const qreal ratio = qreal(state.range(0));
    const QImage picture = windowPicture(ratio);
    for (auto _ : state) {
        const QImage blurred =
            WindowBlurBackdrop::blurredReduced(picture, WindowBlurBackdrop::kRadius, Qt::black, ratio);
        benchmark::DoNotOptimize(blurred.constBits());
    }
}
BENCHMARK(BM_BlurWindowPictureReduced)->ArgName("ratio")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kChildSwitch) == 0)
        return runChild(argc, argv);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_program = QCoreApplication::applicationFilePath();
    return runBenchmarks(argc, argv);
}
