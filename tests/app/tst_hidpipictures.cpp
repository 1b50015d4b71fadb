// The window's pictures on a high-density screen: the title bar's avatar is
// drawn from every pixel of the picture, and no label of the window or of the
// update dialogs shows a picture with fewer pixels than the screen shows of
// it. Runs at QT_SCALE_FACTOR 2, again at 1 (tst_hidpipictures_scale1), and with
// the windows on a screen of ratio 2 beside a primary one of ratio 1
// (tst_hidpipictures_twoscreens).
#include "app/CustomTitleBar.h"
#include "app/HeadphonesDevice.h"
#include "app/dialogs/UpdateDownloadProgressDialog.h"
#include "ota/ui/FirmwareOtaProgressDialog.h"
#include "platform/installer/RecordingProcessLauncher.h"
#include "tests/app/TestEnvironment.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/testenv/HiDpiPicture.h"

#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

const bool kScaled = HiDpiPicture::useTestScreens();

// Builds and shows a window to look at.
using Build = std::function<std::unique_ptr<QWidget>(RecordingProcessLauncher &)>;

} // namespace

Q_DECLARE_METATYPE(Build)

class TestHiDpiPictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titleBarAvatar_data();
    void titleBarAvatar();
    void noLabelIsEnlarged_data();
    void noLabelIsEnlarged();

private:
    TestEnvironment m_env;
    RecordingProcessLauncher m_launcher;
    FakeApi::FakeApiServer m_server;
    QTemporaryDir m_dir;
    // As the title bar keeps avatars: twice the side it draws, every pixel different.
    QImage m_picture;
    QString m_file;
    QString m_url;
};

void TestHiDpiPictures::initTestCase()
{
    QVERIFY(kScaled);
    qInfo("windows on a screen of ratio %g", HiDpiPicture::testRatio());
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    QVERIFY(m_server.start());
    QVERIFY(m_dir.isValid());
    m_picture = HiDpiPicture::noise(54);
    m_file = m_dir.filePath(QStringLiteral("avatar.png"));
    QVERIFY(m_picture.save(m_file));
    m_server.backend().setFile(QStringLiteral("avatar.png"), HiDpiPicture::png(m_picture));
    m_url = m_server.fileUrl(QStringLiteral("avatar.png")).toString();
}

void TestHiDpiPictures::titleBarAvatar_data()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("downloaded") << true;
    QTest::newRow("local file") << false;
}

void TestHiDpiPictures::titleBarAvatar()
{
    QFETCH(bool, download);
    CustomTitleBar bar(nullptr);
    bar.resize(1000, 67);
    // Set while the bar is on the primary screen still: made again where it shows.
    bar.setAvatarUrl(download ? m_url : m_file);
    HiDpiPicture::placeOnTestScreen(&bar);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    auto *button = bar.findChild<QPushButton *>(QStringLiteral("avatarHeadButton"));
    QVERIFY(button);
    const qreal ratio = HiDpiPicture::testRatio();
    QString problem;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (problem = HiDpiPicture::sharpnessProblem(HiDpiPicture::grabbed(button), m_picture, QSize(27, 27), ratio))
            .isEmpty(),
        qPrintable(problem), 10000);
    QCOMPARE(HiDpiPicture::grabbed(button).size(), QSize(27, 27) * ratio);
    if (download) {
        // From the memory cache the same.
        bar.setAvatarUrl(m_file);
        bar.setAvatarUrl(m_url);
        QCOMPARE(m_server.requestCount(QStringLiteral("files/avatar.png")), 1);
        const QString cached =
            HiDpiPicture::sharpnessProblem(HiDpiPicture::grabbed(button), m_picture, QSize(27, 27), ratio);
        QVERIFY2(cached.isEmpty(), qPrintable(cached));
    }
    const QStringList enlarged = HiDpiPicture::enlargedLabels(&bar);
    QVERIFY2(enlarged.isEmpty(), qPrintable(enlarged.join(QLatin1Char('\n'))));
}

void TestHiDpiPictures::noLabelIsEnlarged_data()
{
    QTest::addColumn<Build>("build");
    // The fewest labels with a picture it has, so that the check is not empty.
    QTest::addColumn<int>("least");
    QTest::newRow("main window, every page and a toast") << Build([](RecordingProcessLauncher &launcher) {
        auto window = std::make_unique<HeadphonesDevice>();
        WindowTest::isolateUpdater(*window, launcher);
        HiDpiPicture::placeOnTestScreen(window.get());
        WindowTest::showWindow(*window, false);
        window->showToast(QStringLiteral("done"), false);
        return std::unique_ptr<QWidget>(std::move(window));
    }) << 20;
    QTest::newRow("update download") << Build([](RecordingProcessLauncher &) {
        auto dialog = std::make_unique<UpdateDownloadProgressDialog>(QStringLiteral("Update"),
                                                                     QStringLiteral("0.1.27"), QStringLiteral("notes"));
        HiDpiPicture::placeOnTestScreen(dialog.get());
        dialog->show();
        return std::unique_ptr<QWidget>(std::move(dialog));
    }) << 1;
    QTest::newRow("firmware update") << Build([](RecordingProcessLauncher &) {
        auto dialog =
            std::make_unique<FirmwareOtaProgressDialog>(false, QStringLiteral("1.0.0"), QStringLiteral("1.0.1"));
        HiDpiPicture::placeOnTestScreen(dialog.get());
        dialog->show();
        return std::unique_ptr<QWidget>(std::move(dialog));
    }) << 1;
}

void TestHiDpiPictures::noLabelIsEnlarged()
{
    QFETCH(Build, build);
    QFETCH(int, least);
    m_env.clearSettings();
    const std::unique_ptr<QWidget> widget = build(m_launcher);
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    int pictures = 0;
    const QStringList enlarged = HiDpiPicture::enlargedLabels(widget.get(), &pictures);
    QVERIFY2(enlarged.isEmpty(), qPrintable(enlarged.join(QLatin1Char('\n'))));
    QVERIFY2(pictures >= least, qPrintable(QString::number(pictures)));
}

QTEST_MAIN(TestHiDpiPictures)
#include "tst_hidpipictures.moc"
