// The account screens' avatars on a high-density screen: drawn from every
// pixel of the picture, not enlarged from a copy made at the logical size.
// Runs at QT_SCALE_FACTOR 2, again at 1 (tst_profilepictures_scale1), and with
// the windows on a screen of ratio 2 beside a primary one of ratio 1
// (tst_profilepictures_twoscreens).
#include "account/CustomUserProfilePage.h"
#include "account/EditAvatarDialog.h"
#include "tests/account/AccountTestSupport.h"
#include "tests/support/fakeapi/FakeApiServer.h"
#include "tests/support/testenv/HiDpiPicture.h"

#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const bool kScaled = HiDpiPicture::useTestScreens();

// Answers the file dialog with a prepared file.
class ScriptedAvatarDialog : public EditAvatarDialog
{
public:
    using EditAvatarDialog::EditAvatarDialog;
    QString nextFile;

protected:
    QString chooseImageFile() override { return nextFile; }
};

} // namespace

class TestProfilePictures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void profileAvatar_data();
    void profileAvatar();
    void avatarDialogPreview_data();
    void avatarDialogPreview();

private:
    void addSourceRows();

    FakeApi::FakeApiServer m_server;
    QTemporaryDir m_dir;
    // As the server keeps avatars: 192 pixels, every one different.
    QImage m_picture;
    QString m_file;
    QString m_url;
};

void TestProfilePictures::initTestCase()
{
    QVERIFY(kScaled);
    QStandardPaths::setTestModeEnabled(true);
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    QVERIFY(m_server.start());
    QVERIFY(m_dir.isValid());
    qInfo("windows on a screen of ratio %g", HiDpiPicture::testRatio());
    m_picture = HiDpiPicture::noise(192);
    m_file = m_dir.filePath(QStringLiteral("avatar.png"));
    QVERIFY(m_picture.save(m_file));
    m_server.backend().setFile(QStringLiteral("avatar.png"), HiDpiPicture::png(m_picture));
    m_url = m_server.fileUrl(QStringLiteral("avatar.png")).toString();
}

void TestProfilePictures::addSourceRows()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("downloaded") << true;
    QTest::newRow("local file") << false;
}

void TestProfilePictures::profileAvatar_data()
{
    addSourceRows();
}

void TestProfilePictures::profileAvatar()
{
    QFETCH(bool, download);
    CustomUserProfilePage page;
    page.resize(1000, 700);
    // Set while the page is on the primary screen still: made again where it shows.
    page.setAvatarUrl(download ? m_url : m_file);
    HiDpiPicture::placeOnTestScreen(&page);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto *avatar = AccountTest::child<QLabel>(&page, "avatarLabel");
    const qreal ratio = HiDpiPicture::testRatio();
    QString problem;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (problem = HiDpiPicture::sharpnessProblem(HiDpiPicture::grabbed(avatar), m_picture, QSize(96, 96), ratio))
            .isEmpty(),
        qPrintable(problem), 10000);
    QCOMPARE(HiDpiPicture::grabbed(avatar).size(), QSize(120, 120) * ratio);
    const QStringList enlarged = HiDpiPicture::enlargedLabels(&page);
    QVERIFY2(enlarged.isEmpty(), qPrintable(enlarged.join(QLatin1Char('\n'))));
}

void TestProfilePictures::avatarDialogPreview_data()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("current avatar, downloaded") << true;
    QTest::newRow("chosen file") << false;
}

void TestProfilePictures::avatarDialogPreview()
{
    QFETCH(bool, download);
    ScriptedAvatarDialog dialog(download ? m_url : QString());
    HiDpiPicture::placeOnTestScreen(&dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *preview = AccountTest::child<QLabel>(&dialog, "avatarPreview");
    if (download) {
        QTRY_VERIFY_WITH_TIMEOUT(dialog.findChildren<QNetworkAccessManager *>().isEmpty(), 10000);
    } else {
        dialog.nextFile = m_file;
        QTest::mouseClick(preview, Qt::LeftButton);
        QCOMPARE(dialog.selectedFilePath(), m_file);
    }
    const qreal ratio = HiDpiPicture::testRatio();
    const QImage shown = HiDpiPicture::grabbed(preview);
    QCOMPARE(shown.size(), QSize(72, 72) * ratio);
    const QString problem = HiDpiPicture::sharpnessProblem(shown, m_picture, QSize(72, 72), ratio);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QStringList enlarged = HiDpiPicture::enlargedLabels(&dialog);
    QVERIFY2(enlarged.isEmpty(), qPrintable(enlarged.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestProfilePictures)
#include "tst_profilepictures.moc"
