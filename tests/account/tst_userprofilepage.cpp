// The profile page: its setters, the signals of its controls, and the avatar
// download with its memory cache.
#include "account/AvatarImage.h"
#include "account/CustomUserProfilePage.h"
#include "tests/account/AccountTestSupport.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QApplication>
#include <QLabel>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using FakeApi::Fault;

namespace {

using AccountTest::child;

QString route(const QString &file)
{
    return QStringLiteral("files/") + file;
}

} // namespace

class TestUserProfilePage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { m_page.reset(); }

    void passwordBullets_data();
    void passwordBullets();
    void textsAreTrimmed();
    void controlsAskTheMainWindow_data();
    void controlsAskTheMainWindow();
    void lockedAddressCannotBeChanged();
    void newerAvatarAbortsTheOlderDownload();
    void schemeInCapitalsIsDownloaded();
    void failedDownloadKeepsThePictureShown_data();
    void failedDownloadKeepsThePictureShown();
    void oversizedOrEndlessAvatarShowsTheDefault_data();
    void oversizedOrEndlessAvatarShowsTheDefault();
    void localPathsAndEmpty();
    void memoryCacheKeepsThe32Newest();
    void englishTexts();

private:
    QString serve(const QString &file, const QColor &colour);
    QColor avatarColour() const { return AccountTest::labelCentreColour(child<QLabel>(m_page.get(), "avatarLabel")); }

    FakeApi::FakeApiServer m_server;
    QTemporaryDir m_dir;
    QColor m_defaultColour;
    std::unique_ptr<CustomUserProfilePage> m_page;
};

void TestUserProfilePage::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    QVERIFY(m_server.start());
    QVERIFY(m_dir.isValid());
    CustomUserProfilePage page;
    m_defaultColour = AccountTest::labelCentreColour(child<QLabel>(&page, "avatarLabel"));
    QVERIFY(m_defaultColour.alpha() == 255); // the default picture is drawn
}

void TestUserProfilePage::init()
{
    m_server.clearFaults();
    m_server.clearRequests();
    m_page = std::make_unique<CustomUserProfilePage>();
}

QString TestUserProfilePage::serve(const QString &file, const QColor &colour)
{
    m_server.backend().setFile(file, AccountTest::solidImage(colour));
    return m_server.fileUrl(file).toString();
}

void TestUserProfilePage::passwordBullets_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("bullets");
    QTest::newRow("0") << 0 << 4;
    QTest::newRow("negative") << -3 << 4;
    QTest::newRow("8") << 8 << 8;
    QTest::newRow("32") << 32 << 32;
    QTest::newRow("40") << 40 << 32;
}

void TestUserProfilePage::passwordBullets()
{
    QFETCH(int, length);
    QFETCH(int, bullets);
    m_page->setPasswordLength(length);
    QCOMPARE(child<QLabel>(m_page.get(), "passwordValue")->text(), QString(bullets, QChar(0x2022)));
}

void TestUserProfilePage::textsAreTrimmed()
{
    m_page->setNickname(QStringLiteral("  Ann "));
    m_page->setEmail(QStringLiteral(" ann@example.com\n"));
    m_page->setPhone(QStringLiteral(" 13800138000 "));
    QCOMPARE(child<QLabel>(m_page.get(), "nicknameValue")->text(), QStringLiteral("Ann"));
    QCOMPARE(child<QLabel>(m_page.get(), "emailValue")->text(), QStringLiteral("ann@example.com"));
    QCOMPARE(child<QLabel>(m_page.get(), "phoneValue")->text(), QStringLiteral("13800138000"));
    m_page->setNickname(QStringLiteral("   "));
    QCOMPARE(child<QLabel>(m_page.get(), "nicknameValue")->text(), QString());
}

void TestUserProfilePage::controlsAskTheMainWindow_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("avatar") << "avatarLabel" << QByteArray(SIGNAL(editAvatarRequested()));
    QTest::newRow("nickname") << "nicknameEditButton" << QByteArray(SIGNAL(editNickNameRequested()));
    QTest::newRow("password") << "passwordButton" << QByteArray(SIGNAL(modifyPasswordRequested()));
    QTest::newRow("e-mail") << "emailButton" << QByteArray(SIGNAL(modifyEmailRequested()));
    QTest::newRow("phone") << "phoneButton" << QByteArray(SIGNAL(modifyPhoneRequested()));
    QTest::newRow("logout") << "logoutButton" << QByteArray(SIGNAL(logoutRequested()));
}

void TestUserProfilePage::controlsAskTheMainWindow()
{
    QFETCH(QString, control);
    QFETCH(QByteArray, signal);
    m_page->resize(1000, 700);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
    const QList<QByteArray> all{SIGNAL(editNickNameRequested()), SIGNAL(editAvatarRequested()),
                                SIGNAL(modifyPasswordRequested()), SIGNAL(modifyEmailRequested()),
                                SIGNAL(modifyPhoneRequested()), SIGNAL(logoutRequested())};
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const QByteArray &s : all)
        spies.push_back(std::make_unique<QSignalSpy>(m_page.get(), s.constData()));
    auto *widget = m_page->findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    for (int i = 0; i < all.size(); ++i)
        QCOMPARE(spies[i]->size(), all[i] == signal ? 1 : 0);
}

void TestUserProfilePage::lockedAddressCannotBeChanged()
{
    for (const char *name : {"emailButton", "phoneButton"}) {
        auto *button = child<QPushButton>(m_page.get(), name);
        const bool email = QByteArray(name) == "emailButton";
        QSignalSpy spy(m_page.get(), email ? &CustomUserProfilePage::modifyEmailRequested
                                           : &CustomUserProfilePage::modifyPhoneRequested);
        email ? m_page->setEmailEditable(false) : m_page->setPhoneEditable(false);
        QVERIFY(!button->isEnabled());
        QCOMPARE(button->cursor().shape(), Qt::ArrowCursor);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(spy.size(), 0);
        email ? m_page->setEmailEditable(true) : m_page->setPhoneEditable(true);
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
    }
}

void TestUserProfilePage::newerAvatarAbortsTheOlderDownload()
{
    const QString first = serve(QStringLiteral("first.png"), Qt::red);
    const QString second = serve(QStringLiteral("second.png"), Qt::blue);
    m_server.setFault(route(QStringLiteral("first.png")), Fault::of(Fault::Kind::Stall));
    m_page->setAvatarUrl(first);
    QTRY_COMPARE(m_server.requestCount(route(QStringLiteral("first.png"))), 1);
    QCOMPARE(avatarColour(), m_defaultColour);

    m_page->setAvatarUrl(second);
    QTRY_VERIFY(AccountTest::closeTo(avatarColour(), Qt::blue));
    // Nothing of the first download is left waiting.
    QTRY_VERIFY(m_page->findChildren<QNetworkReply *>().isEmpty());
    QVERIFY(AccountTest::closeTo(avatarColour(), Qt::blue));
}

void TestUserProfilePage::schemeInCapitalsIsDownloaded()
{
    const QString url = serve(QStringLiteral("caps.png"), Qt::green);
    m_page->setAvatarUrl(QStringLiteral("  HTTP") + url.mid(4) + QStringLiteral(" "));
    QTRY_VERIFY(AccountTest::closeTo(avatarColour(), Qt::green));
    QCOMPARE(m_server.requestCount(route(QStringLiteral("caps.png"))), 1);
}

void TestUserProfilePage::failedDownloadKeepsThePictureShown_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("status"); // 0: served as it is
    QTest::newRow("not found") << "missing.png" << 0;
    QTest::newRow("server error") << "late.png" << 500;
    QTest::newRow("not an image") << "page.png" << 0;
}

void TestUserProfilePage::failedDownloadKeepsThePictureShown()
{
    QFETCH(QString, file);
    QFETCH(int, status);
    m_server.backend().setFile(QStringLiteral("late.png"), AccountTest::solidImage(Qt::red));
    m_server.backend().setFile(QStringLiteral("page.png"), QByteArray("<html></html>"));
    if (status)
        m_server.setFault(route(file), Fault::status(status));
    m_page->setAvatarUrl(m_dir.filePath(QStringLiteral("none.png")));
    m_page->setAvatarUrl(m_server.fileUrl(file).toString());
    QTRY_COMPARE(m_server.requestCount(route(file)), 1);
    QTRY_VERIFY(m_page->findChildren<QNetworkReply *>().isEmpty());
    QCOMPARE(avatarColour(), m_defaultColour);
}

void TestUserProfilePage::oversizedOrEndlessAvatarShowsTheDefault_data()
{
    QTest::addColumn<QString>("body"); // "large": a file past the limit; else an endless flood
    QTest::addColumn<Fault>("fault");
    QTest::newRow("larger than a photo") << "large" << Fault();
    QTest::newRow("endless, chunked") << "" << Fault::flood(Fault::Framing::Chunked);
    QTest::newRow("endless, until the close") << "" << Fault::flood(Fault::Framing::UntilClose);
}

void TestUserProfilePage::oversizedOrEndlessAvatarShowsTheDefault()
{
    QFETCH(QString, body);
    QFETCH(Fault, fault);
    const QString file = QStringLiteral("huge.png");
    if (body == QLatin1String("large")) {
        m_server.backend().setFile(file, QByteArray(AvatarImage::maxDownloadBytes + 1, 'p'));
    } else {
        serve(file, Qt::red);
        m_server.setFault(route(file), fault);
    }
    const QString shown = serve(QStringLiteral("shown.png"), Qt::blue);
    m_page->setAvatarUrl(shown);
    QTRY_VERIFY(AccountTest::closeTo(avatarColour(), Qt::blue));
    m_page->setAvatarUrl(m_server.fileUrl(file).toString());
    QTRY_COMPARE(m_server.requestCount(route(file)), 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_page->findChildren<QNetworkReply *>().isEmpty(), 30000);
    QCOMPARE(avatarColour(), m_defaultColour);
    // Nothing of it was kept: asked again, it is fetched again.
    m_page->setAvatarUrl(shown);
    m_page->setAvatarUrl(m_server.fileUrl(file).toString());
    QTRY_COMPARE(m_server.requestCount(route(file)), 2);
}

void TestUserProfilePage::localPathsAndEmpty()
{
    const QString path = m_dir.filePath(QStringLiteral("me.png"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(AccountTest::solidImage(Qt::yellow));
    file.close();
    m_page->setAvatarUrl(QStringLiteral(" ") + path);
    QVERIFY(AccountTest::closeTo(avatarColour(), Qt::yellow));
    m_page->setAvatarUrl(QString());
    QCOMPARE(avatarColour(), m_defaultColour);
    m_page->setAvatarUrl(path);
    m_page->setAvatarUrl(m_dir.filePath(QStringLiteral("gone.png")));
    QCOMPARE(avatarColour(), m_defaultColour);

    // Round: the corners of the 120 x 120 picture stay transparent.
    const QImage shown = child<QLabel>(m_page.get(), "avatarLabel")->pixmap().toImage();
    QCOMPARE(shown.size(), QSize(120, 120));
    QCOMPARE(shown.pixelColor(14, 14).alpha(), 0);
    QCOMPARE(shown.pixelColor(60, 60).alpha(), 255);
}

void TestUserProfilePage::memoryCacheKeepsThe32Newest()
{
    QStringList urls;
    for (int i = 0; i <= CustomUserProfilePage::avatarCacheLimit; ++i) {
        const QColor colour = QColor::fromHsv(i * 10, 255, 255);
        urls.append(serve(QStringLiteral("a%1.png").arg(i), colour));
        m_page->setAvatarUrl(urls.last());
        QTRY_VERIFY(AccountTest::closeTo(avatarColour(), colour));
        if (i == 1) {
            // Showing the first again makes it the newest entry.
            m_page->setAvatarUrl(urls.first());
            QVERIFY(AccountTest::closeTo(avatarColour(), QColor::fromHsv(0, 255, 255)));
        }
    }
    // 33 addresses were shown: the oldest (a1) left the cache, a0 stayed.
    m_server.clearRequests();
    m_page->setAvatarUrl(urls.at(0));
    QVERIFY(AccountTest::closeTo(avatarColour(), QColor::fromHsv(0, 255, 255)));
    m_page->setAvatarUrl(urls.at(2));
    QVERIFY(AccountTest::closeTo(avatarColour(), QColor::fromHsv(20, 255, 255)));
    QCOMPARE(m_server.requests().size(), 0);

    m_page->setAvatarUrl(urls.at(1));
    QCOMPARE(avatarColour(), m_defaultColour); // fetched anew
    QTRY_VERIFY(AccountTest::closeTo(avatarColour(), QColor::fromHsv(10, 255, 255)));
    QCOMPARE(m_server.requestCount(route(QStringLiteral("a1.png"))), 1);
}

void TestUserProfilePage::englishTexts()
{
    AccountTest::switchLanguage(QStringLiteral("en_US"));
    QCOMPARE(child<QPushButton>(m_page.get(), "logoutButton")->text(), QStringLiteral("Logout"));
    QCOMPARE(child<QPushButton>(m_page.get(), "emailButton")->text(), QStringLiteral("Modify"));
    const QList<QLabel *> labels = m_page->findChildren<QLabel *>();
    const bool hasCaption = std::any_of(labels.begin(), labels.end(), [](const QLabel *label) {
        return label->text() == QLatin1String("Phone number");
    });
    QVERIFY(hasCaption);
    AccountTest::switchLanguage(QStringLiteral("zh_CN"));
    QCOMPARE(child<QPushButton>(m_page.get(), "logoutButton")->text(), QStringLiteral("退出登录"));
}

QTEST_MAIN(TestUserProfilePage)
#include "tst_userprofilepage.moc"
