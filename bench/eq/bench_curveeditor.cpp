// The work of one redraw of the EQ curve: designing the sections, sampling the
// 1024-point summed response, clipping it; and one whole drag step of a point
// on a shown editor (mouse move, curves, series, repaint); loading a slot's bands.
#include "bench/support/BenchmarkRun.h"
#include "eq/EQCurveEditor.h"

#include <QApplication>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

QList<EQCurveEditor::Biquad> tenSections()
{
    const QStringList types = {"Peaking", "Low Shelf", "High Shelf", "Low Pass", "High Pass"};
    QList<EQCurveEditor::Biquad> sections(10);
    for (int i = 0; i < 10; ++i) {
        const QPointF p = EQCurveEditor::defaultBandPoints().at(i);
        EQCurveEditor::computeBiquad(types.at(i % types.size()), p.x(), EQCurveEditor::defaultBandQs().at(i), p.y(),
                                     sections[i]);
    }
    return sections;
}

void BM_DesignTenSections(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(tenSections());
}
BENCHMARK(BM_DesignTenSections);

void BM_SampleResponse(benchmark::State &state)
{
    const QList<EQCurveEditor::Biquad> all = tenSections();
    const QList<EQCurveEditor::Biquad> sections = all.mid(0, state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(EQCurveEditor::sampleResponse(sections));
    state.SetItemsProcessed(state.iterations() * EQCurveEditor::kCurvePointCount * state.range(0));
}
BENCHMARK(BM_SampleResponse)->Arg(1)->Arg(10);

// The same curve evaluated point by point through biquadMagnitudeDb, for comparison.
void BM_SampleResponsePerPoint(benchmark::State &state)
{
    const QList<EQCurveEditor::Biquad> sections = tenSections();
    const double x0 = std::log10(EQCurveEditor::kMinHz);
    const double x1 = std::log10(EQCurveEditor::kMaxHz);
    for (auto _ : state) {
        QList<QPointF> curve;
        curve.reserve(EQCurveEditor::kCurvePointCount);
        for (int k = 0; k < EQCurveEditor::kCurvePointCount; ++k) {
            const double x = k / 1023.0 * (x1 - x0) + x0;
            const double f = std::pow(10.0, x);
            double y = 0;
            for (const auto &s : sections)
                y += EQCurveEditor::biquadMagnitudeDb(s, f, EQCurveEditor::kSampleRate);
            curve.append(QPointF(x, y));
        }
        benchmark::DoNotOptimize(curve);
    }
}
BENCHMARK(BM_SampleResponsePerPoint);

void BM_ClipCurve(benchmark::State &state)
{
    const QList<QPointF> curve = EQCurveEditor::sampleResponse(tenSections());
    QList<QList<QPointF>> runs;
    for (auto _ : state) {
        EQCurveEditor::clipPolyline(curve, std::log10(EQCurveEditor::kMinHz), std::log10(EQCurveEditor::kMaxHz),
                                    EQCurveEditor::kPlotMinDb, EQCurveEditor::kPlotMaxDb, runs);
        benchmark::DoNotOptimize(runs);
    }
}
BENCHMARK(BM_ClipCurve);

void BM_RedrawCurves(benchmark::State &state)
{
    for (auto _ : state) {
        QList<QList<QPointF>> runs;
        EQCurveEditor::clipPolyline(EQCurveEditor::sampleResponse(tenSections()), std::log10(EQCurveEditor::kMinHz),
                                    std::log10(EQCurveEditor::kMaxHz), EQCurveEditor::kPlotMinDb,
                                    EQCurveEditor::kPlotMaxDb, runs);
        benchmark::DoNotOptimize(runs);
    }
}
BENCHMARK(BM_RedrawCurves);

void sendMove(QWidget *viewport, const QPoint &pos)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), viewport->mapToGlobal(QPointF(pos)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

// One drag step with the floating editor open, including the repaint it causes.
void BM_DragStep(benchmark::State &state)
{
    QWidget window;
    window.resize(900, 420);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(20, 120, 20, 20);
    auto *editor = new EQCurveEditor(&window);
    layout->addWidget(editor);
    window.show();
    QApplication::processEvents();
    QWidget *viewport = editor->viewport();
    const QPoint start = editor->pointViewportPos(0);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(start), viewport->mapToGlobal(QPointF(start)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    int step = 0;
    for (auto _ : state) {
        sendMove(viewport, start + QPoint((step % 40) - 20, (step % 30) - 15));
        ++step;
        viewport->repaint();
    }
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(start), viewport->mapToGlobal(QPointF(start)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

// Putting a slot's ten bands into the editor, as a slot pick does.
void BM_LoadTenBands(benchmark::State &state)
{
    EQCurveEditor editor;
    QList<double> freqs;
    QList<double> qs;
    QList<double> gains;
    for (int i = 0; i < EQCurveEditor::kSlotCount; ++i) {
        freqs.append(EQCurveEditor::defaultBandPoints().at(i).x());
        qs.append(EQCurveEditor::defaultBandQs().at(i));
        gains.append((i % 5) - 2.0);
    }
    const QList<QString> types(EQCurveEditor::kSlotCount, QStringLiteral("Peaking"));
    for (auto _ : state)
        editor.setBands(freqs, qs, gains, types);
}
BENCHMARK(BM_LoadTenBands)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
