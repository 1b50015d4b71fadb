// The cloud page's author pictures on a high-density screen: the cards and
// the preview draw them from every pixel the cache keeps, not enlarged from a
// copy made at the logical size. Runs at QT_SCALE_FACTOR 2, again at 1
// (tst_cloudpictures_scale1), and with the page on a screen of ratio 2 beside
// a primary one of ratio 1, where the hidden card is not (tst_cloudpictures_twoscreens).
#include "EqCloudPageFixture.h"

#include "eqcloud/CloudAvatar.h"
#include "eqcloud/EQCloudCardListView.h"
#include "eqcloud/EQCloudGameCardDelegate.h"
#include "eqcloud/EQCloudPreviewDialog.h"
#include "eqcloud/EQCloudSharingContent.h"
#include "eqcloud/GameCard.h"
#include "eqcloud/GameCardImageCache.h"
#include "tests/support/testenv/HiDpiPicture.h"

#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using Action = EQCloudGameCardDelegate::Action;

namespace {

const bool kScaled = HiDpiPicture::useTestScreens();

} // namespace

class TestCloudPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cardAuthorPicture();
    void previewAuthorPicture();

private:
    // A signed-in page listing one EQ whose author has the noise picture,
    // shown once the picture is in the cache.
    bool openPage();

    std::unique_ptr<EqCloudPageFixture> m_fixture;
    // As the cache keeps author pictures, every pixel different.
    QImage m_picture;
    QString m_url;
};

void TestCloudPictures::initTestCase()
{
    QVERIFY(kScaled);
    qInfo("windows on a screen of ratio %g", HiDpiPicture::testRatio());
    m_picture = HiDpiPicture::noise(CloudAvatar::keptSide);
}

void TestCloudPictures::init()
{
    m_fixture = std::make_unique<EqCloudPageFixture>(true);
}

void TestCloudPictures::cleanup()
{
    m_fixture.reset();
    GameCardImageCache::instance()->clear();
}

bool TestCloudPictures::openPage()
{
    EqCloudTestSession &session = m_fixture->session();
    session.server().backend().setFile(QStringLiteral("author.png"), HiDpiPicture::png(m_picture));
    m_url = session.server().fileUrl(QStringLiteral("author.png")).toString();
    session.share(QStringLiteral("Warm"), QStringLiteral("other"), QJsonObject{{"iconUrl", m_url}});
    m_fixture->wire();
    HiDpiPicture::placeOnTestScreen(m_fixture->window());
    return m_fixture->show() && m_fixture->settle()
           && QTest::qWaitFor([this] { return GameCardImageCache::instance()->contains(m_url); }, 10000);
}

void TestCloudPictures::cardAuthorPicture()
{
    QVERIFY(openPage());
    EQCloudCardListView *view = m_fixture->page()->cardView();
    QCOMPARE(view->model()->rowCount(), 1);
    view->viewport()->repaint();
    GameCard *card = m_fixture->page()->cardDelegate()->card();
    QVERIFY(card);
    QCOMPARE(card->avatarSource(), m_url);

    // Where the card's author picture lies in the list, in device pixels.
    const qreal ratio = HiDpiPicture::testRatio();
    const QLabel *avatar = card->findChild<QLabel *>(QStringLiteral("gameCardAvatar"));
    const QRect logical(view->visualRect(view->model()->index(0, 0)).topLeft() + avatar->mapTo(card, QPoint(0, 0)),
                        avatar->size());
    const QImage list = HiDpiPicture::grabbed(view->viewport());
    const QImage shown = list.copy(QRect(logical.topLeft() * ratio, logical.size() * ratio));
    const QSize side(GameCard::avatarSize, GameCard::avatarSize);
    const QString problem = HiDpiPicture::sharpnessProblem(shown, m_picture, side, ratio);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // The card's icons too.
    const QStringList enlarged = HiDpiPicture::enlargedLabels(card);
    QVERIFY2(enlarged.isEmpty(), qPrintable(enlarged.join(QLatin1Char('\n'))));
}

void TestCloudPictures::previewAuthorPicture()
{
    QVERIFY(openPage());
    QString problem = QStringLiteral("no preview");
    QStringList enlarged;
    m_fixture->whenModal([&](QDialog *dialog) {
        auto *preview = qobject_cast<EQCloudPreviewDialog *>(dialog);
        if (!preview)
            return;
        const qreal ratio = HiDpiPicture::testRatio();
        QLabel *avatar = preview->avatarLabel();
        problem = HiDpiPicture::sharpnessProblem(HiDpiPicture::grabbed(avatar), m_picture, avatar->size(), ratio);
        enlarged = HiDpiPicture::enlargedLabels(preview);
        preview->closeButton()->click();
    });
    emit m_fixture->page()->cardDelegate()->cardActionRequested(Action::Preview, 0);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(enlarged.isEmpty(), qPrintable(enlarged.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestCloudPictures)
#include "tst_cloudpictures.moc"
