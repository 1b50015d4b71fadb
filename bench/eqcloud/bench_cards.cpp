// The cloud card grid renders one hidden card widget per painted row instead
// of keeping a widget per row. These measure what that costs: one card
// painted, a full repaint of a shown grid, the local update after a mark on
// a growing list, and a lookup in a full picture cache.
#include "bench/support/BenchmarkRun.h"
#include "eqcloud/EQCloudCardListView.h"
#include "eqcloud/EQCloudGameCardDelegate.h"
#include "eqcloud/EQCloudListModel.h"
#include "eqcloud/GameCardImageCache.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

QList<EarphoneApi::CloudEQItem> makeItems(int count)
{
    QList<EarphoneApi::CloudEQItem> items;
    for (int i = 1; i <= count; ++i) {
        EarphoneApi::CloudEQItem item;
        item.id = QString::number(i);
        item.name = QStringLiteral("Preset %1").arg(i);
        item.desc = QStringLiteral("A shared curve with a description of two lines for card %1").arg(i);
        item.nickName = QStringLiteral("User%1").arg(i % 17);
        item.sc1_name = QStringLiteral("FPS");
        item.sc2_name = i % 2 ? QStringLiteral("Bass") : QString();
        item.download_num = QString::number(i * 3);
        item.like_num = QString::number(i * 2);
        item.coll_num = QString::number(i);
        item.isDownload = QStringLiteral("0");
        item.isLike = i % 3 ? QStringLiteral("0") : QStringLiteral("1");
        item.isColl = QStringLiteral("0");
        items.append(item);
    }
    return items;
}

void BM_CardPaint(benchmark::State &state)
{
    EQCloudListModel model;
    model.setItems(makeItems(300), 300);
    EQCloudGameCardDelegate delegate;
    delegate.setDownloadMode(state.range(0) == 1);
    QImage canvas(340, 160, QImage::Format_ARGB32_Premultiplied);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 340, 160);
    int row = 0;
    for (auto _ : state) {
        QPainter painter(&canvas);
        delegate.paint(&painter, option, model.index(row));
        row = (row + 1) % 300;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CardPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_GridRepaint(benchmark::State &state)
{
    EQCloudListModel model;
    model.setItems(makeItems(300), 300);
    EQCloudCardListView view;
    EQCloudGameCardDelegate delegate;
    delegate.setView(&view);
    view.setModel(&model);
    view.setItemDelegate(&delegate);
    view.resize(1100, 820);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        state.SkipWithError("view not exposed");
        return;
    }
    for (auto _ : state) {
        QPixmap frame = view.viewport()->grab();
        benchmark::DoNotOptimize(frame);
    }
    // Cards on screen per repaint (whole or cut by the bottom edge).
    const QSize area = view.viewport()->size();
    state.counters["cards"] = double((area.width() / EQCloudCardListView::gridWidth)
                                     * ((area.height() + EQCloudCardListView::gridHeight - 1)
                                        / EQCloudCardListView::gridHeight));
}
BENCHMARK(BM_GridRepaint)->Unit(benchmark::kMillisecond);

void BM_ApplyOperation(benchmark::State &state)
{
    const int rows = int(state.range(0));
    EQCloudListModel model;
    model.setItems(makeItems(rows), rows);
    int status = 1;
    for (auto _ : state) {
        // The last row: the id lookup walks the whole list.
        benchmark::DoNotOptimize(model.applyOperation(rows, EarphoneApi::CloudEQOperation::Like, status));
        status = 1 - status;
    }
}
BENCHMARK(BM_ApplyOperation)->Arg(15)->Arg(150)->Arg(1500);

void BM_ImageCacheLookup(benchmark::State &state)
{
    GameCardImageCache *cache = GameCardImageCache::instance();
    cache->clear();
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::gray);
    QStringList sources;
    for (int i = 0; i < GameCardImageCache::limit; ++i) {
        sources.append(QStringLiteral("https://pictures.example/%1.png").arg(i));
        cache->insert(sources.last(), pixmap);
    }
    int i = 0;
    QPixmap hit;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cache->lookup(sources.at(i), &hit));
        i = (i + 7) % GameCardImageCache::limit;
    }
    cache->clear();
}
BENCHMARK(BM_ImageCacheLookup);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
