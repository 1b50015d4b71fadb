// The card grid: list view paging signals and geometry, the delegate's
// painting and click mapping, the game card and its picture cache, and the
// downloaded entry's action bar.
#include "EqCloudTestSession.h"

#include "eqcloud/CloudAvatar.h"
#include "eqcloud/CloudDownloadBottomBar.h"
#include "eqcloud/EQCloudCardListView.h"
#include "eqcloud/EQCloudGameCardDelegate.h"
#include "eqcloud/EQCloudListModel.h"
#include "eqcloud/GameCard.h"
#include "eqcloud/GameCardImageCache.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QBuffer>
#include <QLabel>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>

using EarphoneApi::CloudEQItem;
using Action = EQCloudGameCardDelegate::Action;

namespace {

QList<CloudEQItem> items(int count)
{
    QList<CloudEQItem> list;
    for (int i = 1; i <= count; ++i)
        list.append(EqCloudTestSession::item(QString::number(i)));
    return list;
}

QByteArray pngBytes(const QColor &colour, int side = 8)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QPixmap filled(int n)
{
    QPixmap pixmap(2, 2);
    pixmap.fill(QColor(n % 256, 0, 0));
    return pixmap;
}

} // namespace

class TestEqCloudCards : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void nearBottomOnlyAfterSettling();
    void underfilledViewAsksForMore();
    void visibleAreaIsWholeGridRows_data();
    void visibleAreaIsWholeGridRows();
    void scrollHandleHasFixedLength_data();
    void scrollHandleHasFixedLength();

    void clicksMapToActions_data();
    void clicksMapToActions();
    void clicksOutsideTheCardAreNotHandled_data();
    void clicksOutsideTheCardAreNotHandled();
    void modesExcludeEachOther();
    void paintRendersTheBoundRow();

    void displayRecord_data();
    void displayRecord();
    void localAvatarSources_data();
    void localAvatarSources();
    void networkAvatarIsFetchedOnceAndCached();
    void failedAvatarKeepsTheDefault();
    void cacheEvictsTheLeastRecentlyUsed();
    void oversizedOrEndlessAvatarKeepsTheDefault_data();
    void oversizedOrEndlessAvatarKeepsTheDefault();
    void cacheOfLargeAvatarsStaysSmall();

    void bottomBarCarriesItsEntry();

private:
    EQCloudListModel m_model;
};

void TestEqCloudCards::initTestCase()
{
    EqCloudTestSession::item(QString()); // the test support's library loads
}

void TestEqCloudCards::cleanup()
{
    GameCardImageCache::instance()->clear();
    m_model.clear();
}

void TestEqCloudCards::nearBottomOnlyAfterSettling()
{
    m_model.setItems(items(40), 40);
    EQCloudCardListView view;
    view.setSettleDelay(20);
    view.setModel(&m_model);
    view.resize(700, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_VERIFY_WITH_TIMEOUT(!view.isSettling(), 5000);
    QScrollBar *bar = view.verticalScrollBar();
    QVERIFY(bar->maximum() > 400);

    QSignalSpy nearBottom(&view, &EQCloudCardListView::nearBottom);
    bar->setValue(bar->maximum() - 121);
    QCOMPARE(nearBottom.count(), 0);
    bar->setValue(bar->maximum() - 120);
    QCOMPARE(nearBottom.count(), 1);

    bar->setValue(0);
    view.resize(700, 420);
    QVERIFY(view.isSettling());
    bar->setValue(bar->maximum());
    QCOMPARE(nearBottom.count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!view.isSettling(), 5000);
    bar->setValue(bar->maximum() - 1);
    QCOMPARE(nearBottom.count(), 2);

    view.setNearBottomThreshold(-5);
    QCOMPARE(view.nearBottomThreshold(), 0);
}

void TestEqCloudCards::underfilledViewAsksForMore()
{
    EQCloudCardListView view;
    view.setSettleDelay(20);
    view.setModel(&m_model);
    QSignalSpy underfilled(&view, &EQCloudCardListView::viewportUnderfilled);
    view.resize(1100, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_VERIFY_WITH_TIMEOUT(!view.isSettling(), 5000);
    QCOMPARE(underfilled.count(), 0); // no rows

    m_model.setItems(items(2), 2);
    view.resize(1100, 720);
    QVERIFY(underfilled.wait(5000));
    QCOMPARE(underfilled.count(), 1);
}

void TestEqCloudCards::visibleAreaIsWholeGridRows_data()
{
    QTest::addColumn<int>("height");
    for (int height : {100, 300, 480, 501, 777})
        QTest::addRow("%d", height) << height;
}

void TestEqCloudCards::visibleAreaIsWholeGridRows()
{
    QFETCH(int, height);
    EQCloudCardListView view;
    view.setModel(&m_model);
    view.resize(1040, height);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int extra = view.bottomExtra();
    const int visible = view.viewport()->height() + extra;
    QVERIFY(extra >= 0 && extra < EQCloudCardListView::gridHeight);
    // Lower than one grid row, nothing is taken off.
    QCOMPARE(extra, visible < EQCloudCardListView::gridHeight ? 0 : visible % EQCloudCardListView::gridHeight);
}

void TestEqCloudCards::scrollHandleHasFixedLength_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("maximum");
    QTest::newRow("top") << 0 << 100;
    QTest::newRow("middle") << 50 << 100;
    QTest::newRow("bottom") << 100 << 100;
    QTest::newRow("past the end") << 140 << 100;
    QTest::newRow("no range") << 0 << 0;
}

void TestEqCloudCards::scrollHandleHasFixedLength()
{
    QFETCH(int, position);
    QFETCH(int, maximum);
    EQCloudCardListView view;
    view.polishVerticalScrollBarStyle();
    QScrollBar *bar = view.verticalScrollBar();
    QCOMPARE(bar->objectName(), QStringLiteral("EQCloudCardListVScrollBar"));
    QCOMPARE(bar->width(), 8);
    bar->resize(8, 300);
    view.polishVerticalScrollBarStyle(); // a second polish keeps one proxy
    const auto styles = bar->findChildren<QProxyStyle *>(QStringLiteral("EQCloudFixedSliderStyle"));
    QCOMPARE(styles.size(), 1);
    QStyle *style = styles.first();

    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = 0;
    option.maximum = maximum;
    option.sliderPosition = position;
    option.sliderValue = position;
    const QRect groove = style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, bar);
    const QRect handle = style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    QCOMPARE(handle.height(), 28);
    QCOMPARE(handle.left(), groove.left());
    QCOMPARE(handle.width(), groove.width());
    const double ratio = std::clamp(double(position) / std::max(maximum, 1), 0.0, 1.0);
    QCOMPARE(handle.top(), groove.top() + int(std::lround((groove.height() - 28) * ratio)));
}

void TestEqCloudCards::clicksMapToActions_data()
{
    QTest::addColumn<int>("mode"); // 0 cloud, 1 my sharing, 2 downloaded
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("action");

    QTest::newRow("cloud download") << 0 << "gameCardDownloadIcon" << int(Action::Download);
    QTest::newRow("cloud like") << 0 << "gameCardLikeIcon" << int(Action::Like);
    QTest::newRow("cloud collect") << 0 << "gameCardCollectIcon" << int(Action::Collect);
    QTest::newRow("cloud share code") << 0 << "gameCardShareChip" << int(Action::ShareCode);
    QTest::newRow("cloud count text") << 0 << "gameCardLikeCount" << int(Action::Preview);
    QTest::newRow("cloud title") << 0 << "gameCardTitle" << int(Action::Preview);
    QTest::newRow("mine delete icon") << 1 << "gameCardMyDeleteIcon" << int(Action::MyDelete);
    QTest::newRow("mine delete caption") << 1 << "gameCardMyDeleteCaption" << int(Action::MyDelete);
    QTest::newRow("mine like") << 1 << "gameCardLikeIcon" << int(Action::Like);
    QTest::newRow("mine share code") << 1 << "gameCardShareChip" << int(Action::ShareCode);
    QTest::newRow("downloaded preview") << 2 << "gameCardPreviewIcon" << int(Action::DlPreview);
    QTest::newRow("downloaded preview caption") << 2 << "gameCardPreviewCaption" << int(Action::DlPreview);
    QTest::newRow("downloaded share") << 2 << "gameCardShareCaption" << int(Action::DlShare);
    QTest::newRow("downloaded delete") << 2 << "gameCardDeleteIcon" << int(Action::DlDelete);
    QTest::newRow("downloaded apply") << 2 << "gameCardApplyButton" << int(Action::DlApply);
    QTest::newRow("downloaded description") << 2 << "gameCardDesc" << int(Action::Preview);
}

void TestEqCloudCards::clicksMapToActions()
{
    QFETCH(int, mode);
    QFETCH(QString, target);
    m_model.setItems(items(3), 3);
    EQCloudGameCardDelegate delegate;
    delegate.setDownloadMode(mode == 2);
    delegate.setMySharingMode(mode == 1);
    QSignalSpy actions(&delegate, &EQCloudGameCardDelegate::cardActionRequested);

    QStyleOptionViewItem option;
    option.rect = QRect(340, 160, 340, 160);
    const QModelIndex index = m_model.index(2);
    // A first press binds the card so the target's place can be read.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(345, 165), QPointF(345, 165), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QVERIFY(!delegate.editorEvent(&press, &m_model, option, index));
    QVERIFY(!delegate.card());
    QMouseEvent bind(QEvent::MouseButtonRelease, QPointF(345, 165), QPointF(345, 165), Qt::LeftButton,
                     Qt::NoButton, Qt::NoModifier);
    QVERIFY(delegate.editorEvent(&bind, &m_model, option, index));
    actions.clear();

    GameCard *card = delegate.card();
    QVERIFY(card);
    auto *widget = card->findChild<QWidget *>(target);
    QVERIFY(widget);
    QVERIFY(widget->isVisibleTo(card));
    const QPointF at = QPointF(option.rect.topLeft()) + QPointF(widget->mapTo(card, widget->rect().center()));
    QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QVERIFY(delegate.editorEvent(&release, &m_model, option, index));
    QCOMPARE(actions.count(), 1);
    QTEST(int(actions.at(0).at(0).value<Action>()), "action");
    QCOMPARE(actions.at(0).at(1).toInt(), 2);
}

void TestEqCloudCards::clicksOutsideTheCardAreNotHandled_data()
{
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<int>("button");
    QTest::newRow("right of the card") << QPoint(322, 10) << int(Qt::LeftButton);
    QTest::newRow("below the card") << QPoint(10, 142) << int(Qt::LeftButton);
    QTest::newRow("right button") << QPoint(10, 10) << int(Qt::RightButton);
}

void TestEqCloudCards::clicksOutsideTheCardAreNotHandled()
{
    QFETCH(QPoint, offset);
    QFETCH(int, button);
    m_model.setItems(items(1), 1);
    EQCloudGameCardDelegate delegate;
    QSignalSpy actions(&delegate, &EQCloudGameCardDelegate::cardActionRequested);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 340, 160);
    QMouseEvent release(QEvent::MouseButtonRelease, offset, offset, Qt::MouseButton(button), Qt::NoButton,
                        Qt::NoModifier);
    QVERIFY(!delegate.editorEvent(&release, &m_model, option, m_model.index(0)));
    QCOMPARE(actions.count(), 0);
}

void TestEqCloudCards::modesExcludeEachOther()
{
    EQCloudGameCardDelegate delegate;
    delegate.setDownloadMode(true);
    delegate.setMySharingMode(true);
    QVERIFY(!delegate.downloadMode());
    QVERIFY(delegate.mySharingMode());
    delegate.setDownloadMode(true);
    QVERIFY(delegate.downloadMode());
    QVERIFY(!delegate.mySharingMode());
    delegate.setMySharingMode(false);
    QVERIFY(delegate.downloadMode());
    QCOMPARE(delegate.hoveredRow(), -1);
    QCOMPARE(delegate.sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(340, 160));
}

void TestEqCloudCards::paintRendersTheBoundRow()
{
    QList<CloudEQItem> rows = items(2);
    rows[1].name = QStringLiteral("Deep Bass");
    rows[1].isLike = QStringLiteral("1");
    m_model.setItems(rows, 2);
    EQCloudGameCardDelegate delegate;
    delegate.setDownloadMode(true);
    delegate.setAppliedId(QStringLiteral(" 2 "));

    QImage canvas(400, 200, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::green);
    QStyleOptionViewItem option;
    option.rect = QRect(10, 20, 340, 160);
    {
        QPainter painter(&canvas);
        delegate.paint(&painter, option, m_model.index(1));
    }
    GameCard *card = delegate.card();
    QVERIFY(card);
    QCOMPARE(card->findChild<QLabel *>("gameCardTitle")->text(), QStringLiteral("Deep Bass"));
    QCOMPARE(card->mode(), int(GameCard::DownloadedList));
    QVERIFY(card->isApplied());
    QCOMPARE(card->applyButton()->text(), QStringLiteral("已应用"));
    QVERIFY(card->testAttribute(Qt::WA_DontShowOnScreen));
    QVERIFY(!card->isVisible());

    // The card covers 320 x 140 at the cell's corner; the rest of the cell stays untouched.
    QCOMPARE(canvas.pixelColor(10, 20), QColor("#1A1A1B"));
    QCOMPARE(canvas.pixelColor(329, 159), QColor("#1A1A1B"));
    QCOMPARE(canvas.pixelColor(331, 30), QColor(Qt::green));
    QCOMPARE(canvas.pixelColor(30, 161), QColor(Qt::green));
    // The title is drawn: some pixel of its row is lighter than the card.
    bool text = false;
    for (int x = 22; x < 200 && !text; ++x) {
        for (int y = 31; y < 51 && !text; ++y)
            text = canvas.pixelColor(x, y).lightness() > 120;
    }
    QVERIFY(text);

    delegate.setAppliedId(QStringLiteral("1"));
    {
        QPainter painter(&canvas);
        delegate.paint(&painter, option, m_model.index(1));
    }
    QVERIFY(!card->isApplied());
    QCOMPARE(card->applyButton()->text(), QStringLiteral("应用"));
}

void TestEqCloudCards::displayRecord_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("shownCount");
    QTest::addColumn<bool>("set");
    QTest::newRow("plain") << "12" << "1" << "12" << true;
    QTest::newRow("blank count") << "  " << "0" << "0" << false;
    QTest::newRow("big count unabridged") << " 123456 " << " true " << "123456" << true;
    QTest::newRow("other flag text") << "3" << "yes" << "3" << false;
}

void TestEqCloudCards::displayRecord()
{
    QFETCH(QString, count);
    QFETCH(QString, flag);
    QFETCH(QString, shownCount);
    QFETCH(bool, set);
    CloudEQItem item = EqCloudTestSession::item("1");
    item.download_num = item.like_num = item.coll_num = count;
    item.isDownload = item.isLike = item.isColl = flag;
    item.sc1_name = QStringLiteral("  ");
    const GameCardDisplay display = GameCardDisplay::fromItem(item);
    for (const QString &shown : {display.downloadCount, display.likeCount, display.collectCount})
        QCOMPARE(shown, shownCount);
    QCOMPARE(display.downloaded, set);
    QCOMPARE(display.liked, set);
    QCOMPARE(display.collected, set);
    QVERIFY(display.sc1Name.isEmpty());

    GameCard card;
    card.setDisplay(display);
    QVERIFY(!card.findChild<QLabel *>("gameCardSc1")->isVisibleTo(&card));
    QCOMPARE(card.findChild<QLabel *>("gameCardLikeCount")->text(), shownCount);
}

void TestEqCloudCards::localAvatarSources_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("empty") << "";
    QTest::newRow("resource") << ":/images/eqcloud/info.png";
    QTest::newRow("qrc url") << "qrc:/images/eqcloud/info.png";
    QTest::newRow("missing file") << "/nonexistent/picture.png";
}

void TestEqCloudCards::localAvatarSources()
{
    QFETCH(QString, source);
    GameCard card;
    card.setAvatarSource(QStringLiteral("  %1  ").arg(source));
    QCOMPARE(card.avatarSource(), source);
    const QPixmap shown = card.avatarPixmap();
    QCOMPARE(shown.size(), QSize(GameCard::avatarSize, GameCard::avatarSize));
    // Round: the corners stay transparent.
    QCOMPARE(shown.toImage().pixelColor(0, 0).alpha(), 0);
    QVERIFY(shown.toImage().pixelColor(10, 10).alpha() > 0);
    QCOMPARE(GameCardImageCache::instance()->size(), 0);
}

void TestEqCloudCards::networkAvatarIsFetchedOnceAndCached()
{
    EqCloudTestSession session;
    QVERIFY(session.isReady());
    session.server().backend().setFile(QStringLiteral("a.png"), pngBytes(Qt::blue));
    const QString source = session.server().fileUrl(QStringLiteral("a.png")).toString().toUpper().replace(
        QStringLiteral("/FILES/A.PNG"), QStringLiteral("/files/a.png"));

    GameCard first;
    GameCard second;
    QSignalSpy updated(&first, &GameCard::avatarCacheUpdated);
    first.setAvatarSource(source);
    second.setAvatarSource(source);
    QVERIFY(GameCardImageCache::instance()->isInFlight(source));
    QVERIFY(updated.wait(5000));
    QCOMPARE(updated.at(0).at(0).toString(), source);
    QCOMPARE(session.server().requestCount(QStringLiteral("files/a.png")), 1);
    QVERIFY(GameCardImageCache::instance()->contains(source));
    QVERIFY(!GameCardImageCache::instance()->isInFlight(source));
    for (GameCard *card : {&first, &second})
        QCOMPARE(card->avatarPixmap().toImage().pixelColor(10, 10), QColor(Qt::blue));

    // A card asking for it later takes it from the cache.
    GameCard third;
    third.setAvatarSource(source);
    QCOMPARE(third.avatarPixmap().toImage().pixelColor(10, 10), QColor(Qt::blue));
    QCOMPARE(session.server().requestCount(QStringLiteral("files/a.png")), 1);
}

void TestEqCloudCards::failedAvatarKeepsTheDefault()
{
    EqCloudTestSession session;
    QVERIFY(session.isReady());
    session.server().backend().setFile(QStringLiteral("broken.png"), QByteArray("not a picture"));
    const QString missing = session.server().fileUrl(QStringLiteral("missing.png")).toString();
    const QString broken = session.server().fileUrl(QStringLiteral("broken.png")).toString();
    GameCardImageCache *cache = GameCardImageCache::instance();
    QSignalSpy finished(cache, &GameCardImageCache::fetchFinished);
    GameCard card;
    QSignalSpy updated(&card, &GameCard::avatarCacheUpdated);
    const QImage fallback = card.avatarPixmap().toImage();

    for (const QString &source : {missing, broken}) {
        card.setAvatarSource(source);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.last().at(1).toBool(), false);
        QCOMPARE(card.avatarPixmap().toImage(), fallback);
        QVERIFY(!cache->contains(source));
        QVERIFY(!cache->isInFlight(source));
    }
    QCOMPARE(updated.count(), 0);
    // Asked again, it is fetched again.
    card.setAvatarSource(missing);
    QVERIFY(cache->isInFlight(missing));
    QVERIFY(finished.wait(5000));
}

void TestEqCloudCards::cacheEvictsTheLeastRecentlyUsed()
{
    GameCardImageCache *cache = GameCardImageCache::instance();
    const auto name = [](int i) { return QStringLiteral("http://pictures/%1.png").arg(i); };
    for (int i = 0; i < GameCardImageCache::limit; ++i)
        cache->insert(name(i), filled(i));
    QCOMPARE(cache->size(), GameCardImageCache::limit);

    QPixmap hit;
    QVERIFY(cache->lookup(name(0), &hit)); // now the most recent
    cache->insert(name(300), filled(300));
    QCOMPARE(cache->size(), GameCardImageCache::limit);
    QVERIFY(cache->contains(name(0)));
    QVERIFY(!cache->contains(name(1)));
    QCOMPARE(cache->order().last(), name(300));

    cache->insert(name(301), filled(301));
    QVERIFY(!cache->contains(name(2)));
    QVERIFY(!cache->lookup(name(2), &hit));
}

void TestEqCloudCards::oversizedOrEndlessAvatarKeepsTheDefault_data()
{
    QTest::addColumn<QString>("body"); // "large": a file past the limit; else an endless flood
    QTest::addColumn<FakeApi::Fault>("fault");
    QTest::newRow("larger than a photo") << "large" << FakeApi::Fault();
    QTest::newRow("endless, chunked") << "" << FakeApi::Fault::flood(FakeApi::Fault::Framing::Chunked);
    QTest::newRow("endless, until the close") << "" << FakeApi::Fault::flood(FakeApi::Fault::Framing::UntilClose);
}

void TestEqCloudCards::oversizedOrEndlessAvatarKeepsTheDefault()
{
    QFETCH(QString, body);
    QFETCH(FakeApi::Fault, fault);
    EqCloudTestSession session;
    QVERIFY(session.isReady());
    const bool large = body == QLatin1String("large");
    session.server().backend().setFile(QStringLiteral("a.png"),
                                       large ? QByteArray(CloudAvatar::maxDownloadBytes + 1, 'p') : pngBytes(Qt::blue));
    if (!large)
        session.server().setFault(QStringLiteral("files/a.png"), fault);
    const QString source = session.server().fileUrl(QStringLiteral("a.png")).toString();
    GameCardImageCache *cache = GameCardImageCache::instance();
    QSignalSpy finished(cache, &GameCardImageCache::fetchFinished);
    GameCard card;
    const QImage fallback = card.avatarPixmap().toImage();
    card.setAvatarSource(source);
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.at(0), (QVariantList{source, false}));
    QCOMPARE(card.avatarPixmap().toImage(), fallback);
    QVERIFY(!cache->contains(source));
    QVERIFY(!cache->isInFlight(source));
}

void TestEqCloudCards::cacheOfLargeAvatarsStaysSmall()
{
    // Twelve authors with 4000 x 4000 pictures, then a cache filled up with
    // large ones: what it holds is what cards draw, a few MiB in all.
    EqCloudTestSession session;
    QVERIFY(session.isReady());
    GameCardImageCache *cache = GameCardImageCache::instance();
    session.server().backend().setFile(QStringLiteral("big.png"), pngBytes(Qt::blue, 4000));
    QSignalSpy finished(cache, &GameCardImageCache::fetchFinished);
    GameCard card;
    for (int i = 0; i < 12; ++i) {
        const QString source = session.server().fileUrl(QStringLiteral("big.png")).toString()
                               + QStringLiteral("?author=%1").arg(i);
        card.setAvatarSource(source);
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.last(), (QVariantList{source, true}));
        QCOMPARE(card.avatarPixmap().toImage().pixelColor(10, 10), QColor(Qt::blue));
    }
    QPixmap large(1200, 900);
    large.fill(Qt::red);
    for (int i = cache->size(); i < GameCardImageCache::limit; ++i)
        cache->insert(QStringLiteral("http://pictures/%1.png").arg(i), large);
    QCOMPARE(cache->size(), GameCardImageCache::limit);
    const qint64 kept = qint64(CloudAvatar::keptSide) * CloudAvatar::keptSide * 4;
    QVERIFY2(cache->byteCount() <= GameCardImageCache::limit * kept, qPrintable(QString::number(cache->byteCount())));
    QVERIFY(cache->byteCount() <= 3 * 1024 * 1024);
    // Still the picture, cut to the square a round avatar shows.
    QPixmap held;
    QVERIFY(cache->lookup(QStringLiteral("http://pictures/299.png"), &held));
    QCOMPARE(held.size(), QSize(CloudAvatar::keptSide, CloudAvatar::keptSide));
    QCOMPARE(held.toImage().pixelColor(24, 24), QColor(Qt::red));
}

void TestEqCloudCards::bottomBarCarriesItsEntry()
{
    CloudDownloadBottomBar bar;
    bar.setCloudId(42);
    bar.setShareCode(QStringLiteral("XYZ"));
    QSignalSpy deleted(&bar, &CloudDownloadBottomBar::deleteRequested);
    QSignalSpy applied(&bar, &CloudDownloadBottomBar::applyRequested);
    QSignalSpy preview(&bar, &CloudDownloadBottomBar::previewRequested);
    QSignalSpy share(&bar, &CloudDownloadBottomBar::shareCodeRequested);
    bar.deleteButton()->click();
    bar.applyButton()->click();
    bar.previewButton()->click();
    bar.shareButton()->click();
    QCOMPARE(deleted.takeFirst().at(0).toInt(), 42);
    QCOMPARE(applied.takeFirst().at(0).toInt(), 42);
    QCOMPARE(preview.count(), 1);
    QCOMPARE(share.takeFirst().at(0).toString(), QStringLiteral("XYZ"));

    QCOMPARE(bar.applyButton()->text(), QStringLiteral("应用"));
    bar.setApplied(true);
    QCOMPARE(bar.applyButton()->text(), QStringLiteral("已应用"));
}

QTEST_MAIN(TestEqCloudCards)
#include "tst_eqcloudcards.moc"
