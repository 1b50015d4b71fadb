// The official sound list: disk cache first, then the service, the cache
// rewrite, the weak-network retry and the preset images.
#include "cloud/EqApi.h"
#include "eq/EQSoundListCache.h"
#include "eq/EQSoundListController.h"
#include "tests/eq/EqJsonFixtures.h"
#include "tests/eq/EqTestEnvironment.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using EarphoneApi::EQEffect;
using EarphoneApi::EqApi;
using FakeApi::Fault;
using namespace EqJson;

namespace {

const QString soundListRoute = QStringLiteral("home/common/soundList");

QJsonObject sound(const QString &id, const QJsonValue &gain, int sort = 0, const QString &image = QString())
{
    QJsonObject o{{"id", id},
                  {"name", "n" + id},
                  {"sound", QJsonArray{1, 2}},
                  {"q", QJsonArray{0.7, 1}},
                  {"freq", QJsonArray{100, 1000}},
                  {"type", QJsonArray{"Peaking", "Peaking"}},
                  {"main_gain", 0},
                  {"sort", sort}};
    if (!gain.isUndefined())
        o.insert("gain", gain);
    if (!image.isEmpty())
        o.insert("image", image);
    return o;
}

QStringList ids(const QList<EQEffect> &list)
{
    QStringList out;
    for (const EQEffect &e : list)
        out << e.id;
    return out;
}

QList<EQEffect> basicOf(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).value<QList<EQEffect>>();
}

QList<EQEffect> gameOf(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(1).value<QList<EQEffect>>();
}

QString md5Name(const QString &pid, const QString &url, const QString &ext)
{
    const QByteArray key = (pid + "|" + url).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Md5).toHex()) + "." + ext;
}

} // namespace

class TestEqSoundListController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void effectWrittenForCache();
    void blankPidAsksForProductOne();
    void kindsAndDisplayOrder();
    void cacheAnswersBeforeService();
    void emptyCachedListIsAList();
    void cacheOfNumbersDoesNotLoad();
    void identicalListLeavesFileUntouched();
    void olderFileWithoutLanguage();
    void listForAnotherProductIsOnlyCached();
    void weakNetworkRetriesOnce();
    void weakNetworkFailures_data();
    void weakNetworkFailures();
    void serverRefusalIsNotRetried();
    void gameImagesAreCached();
    void imagesPerProductAndUrl();
    void imageExtensions_data();
    void imageExtensions();
    void languageOfList_data();
    void languageOfList();
    void productIdStaysInCacheFolder();
    void replacingTheApi();

private:
    QString cacheFile(const QString &name) const;
    QList<EQEffect> effects(const QJsonArray &array) const;

    std::unique_ptr<EqTestEnvironment> m_env;
    std::unique_ptr<FakeApi::FakeApiServer> m_server;
    EqApi *m_api = nullptr;
    std::unique_ptr<EQSoundListController> m_controller;
};

void TestEqSoundListController::initTestCase()
{
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
}

void TestEqSoundListController::init()
{
    m_env = std::make_unique<EqTestEnvironment>();
    m_server = std::make_unique<FakeApi::FakeApiServer>();
    QVERIFY(m_server->start());
    m_controller = std::make_unique<EQSoundListController>();
    m_controller->setTimings({20, 5000, 1024});
    m_api = new EqApi;
    m_api->setBaseUrl(m_server->baseUrl());
    m_controller->attachApi(m_api, true);
}

void TestEqSoundListController::cleanup()
{
    m_controller.reset();
    m_server.reset();
    m_env.reset();
}

QString TestEqSoundListController::cacheFile(const QString &name) const
{
    return QDir(m_env->appDataPath()).filePath("cache/" + name);
}

QList<EQEffect> TestEqSoundListController::effects(const QJsonArray &array) const
{
    QList<EQEffect> out;
    for (const QJsonValue &v : array)
        out.append(EQEffect::fromJson(v.toObject()));
    return out;
}

void TestEqSoundListController::effectWrittenForCache()
{
    const QJsonObject bare = EQEffect().toJson();
    QStringList keys = bare.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{"desc", "id", "image", "lang", "main_gain", "name", "note", "pid", "q", "sort",
                                "sound", "users"}));
    QCOMPARE(bare.value("sound"), QJsonValue(QJsonArray()));
    QVERIFY(bare.value("sort").isDouble());

    EQEffect full = EQEffect::fromJson(sound("7", "12", 4, "http://h/i.png"));
    full.enname = "Seven";
    full.main_gain = -1.5;
    const QJsonObject written = full.toJson();
    QCOMPARE(written.value("gain").toString(), QStringLiteral("12"));
    QCOMPARE(written.value("type").toArray(), texts({"Peaking", "Peaking"}));
    QCOMPARE(written.value("freq").toArray(), (QJsonArray{100, 1000}));
    QCOMPARE(EQEffect::fromJson(written), full);
}

void TestEqSoundListController::blankPidAsksForProductOne()
{
    m_server->backend().eqCloud().setSoundList("1", QJsonArray{sound("a", "1"), sound("g", "12")});
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("   ");
    QCOMPARE(m_controller->currentPid(), QStringLiteral("1"));
    QVERIFY(loaded.wait(5000));
    QCOMPARE(ids(basicOf(loaded, 0)), QStringList{"a"});
    QCOMPARE(ids(gameOf(loaded, 0)), QStringList{"g"});
    QCOMPARE(m_server->lastRequest(soundListRoute).field("pid"), QStringLiteral("1"));

    // The cache holds the list compactly, in cache order, and reads back the same.
    QList<EQEffect> cached;
    QVERIFY(EQSoundListCache::loadFile(cacheFile("eq_soundlist_pid_1_lang_zh.json"), &cached, nullptr));
    QCOMPARE(ids(cached), (QStringList{"a", "g"}));
    QCOMPARE(cached.at(1), EQEffect::fromJson(sound("g", "12")));
}

void TestEqSoundListController::kindsAndDisplayOrder()
{
    m_server->backend().eqCloud().setSoundList(
        "7", QJsonArray{sound("g12s3", "12", 3), sound("none150", "150"), sound("b0", "0"), sound("g11", "11"),
                        sound("noneabc", "abc"), sound("g12s7", " 12 ", 7), sound("bneg", "-2"),
                        sound("noneempty", ""), sound("nogain", QJsonValue::Undefined), sound("b10", "10")});
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("7");
    QVERIFY(loaded.wait(5000));
    QCOMPARE(ids(basicOf(loaded, 0)), (QStringList{"bneg", "b0", "b10"}));
    QCOMPARE(ids(gameOf(loaded, 0)), (QStringList{"g11", "g12s7", "g12s3"}));
}

void TestEqSoundListController::cacheAnswersBeforeService()
{
    QDir().mkpath(cacheFile(""));
    QVERIFY(writeBytes(cacheFile("eq_soundlist_pid_5_lang_zh.json"),
                       QJsonDocument(QJsonArray{sound("old", "1")}).toJson()));
    m_server->backend().eqCloud().setSoundList("5", QJsonArray{sound("new", "1")});
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("5");
    QCOMPARE(loaded.count(), 1); // from the disk, before any reply
    QCOMPARE(ids(basicOf(loaded, 0)), QStringList{"old"});
    QVERIFY(loaded.wait(5000));
    QCOMPARE(ids(basicOf(loaded, 1)), QStringList{"new"});
}

void TestEqSoundListController::emptyCachedListIsAList()
{
    QDir().mkpath(cacheFile(""));
    QVERIFY(writeBytes(cacheFile("eq_soundlist_pid_5_lang_zh.json"), "[]"));
    m_server->setFault(soundListRoute, Fault::status(500));
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    QSignalSpy failed(m_controller.get(), &EQSoundListController::fetchFailed);
    m_controller->fetch("5");
    QCOMPARE(loaded.count(), 1);
    QVERIFY(basicOf(loaded, 0).isEmpty());
    QVERIFY(gameOf(loaded, 0).isEmpty());
    QVERIFY(loaded.wait(5000));
    QVERIFY(basicOf(loaded, 1).isEmpty());
    QCOMPARE(failed.count(), 0);
}

void TestEqSoundListController::cacheOfNumbersDoesNotLoad()
{
    QDir().mkpath(cacheFile(""));
    QVERIFY(writeBytes(cacheFile("eq_soundlist_pid_5_lang_zh.json"), "[1, 2]"));
    QVERIFY(writeBytes(cacheFile("eq_soundlist_pid_6_lang_zh.json"), "{\"a\": 1}"));
    m_controller->attachApi(nullptr, false);
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    QSignalSpy failed(m_controller.get(), &EQSoundListController::fetchFailed);
    m_controller->fetch("5");
    m_controller->fetch("6");
    QCOMPARE(loaded.count(), 0);
    QCOMPARE(failed.count(), 2);
    QCOMPARE(failed.at(0).at(0).toInt(), -1);
    QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("EqApi not available"));

    // A usable cache without an api is shown and nothing fails.
    QVERIFY(writeBytes(cacheFile("eq_soundlist_pid_5_lang_zh.json"), "[7, {\"id\": \"x\", \"gain\": \"3\"}]"));
    m_controller->fetch("5");
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(ids(basicOf(loaded, 0)), QStringList{"x"});
    QCOMPARE(failed.count(), 2);
}

void TestEqSoundListController::identicalListLeavesFileUntouched()
{
    const QJsonArray list{sound("a", "1", 1), sound("b", "2", 2)};
    m_server->backend().eqCloud().setSoundList("9", list);
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("9");
    QVERIFY(loaded.wait(5000));
    const QString file = cacheFile("eq_soundlist_pid_9_lang_zh.json");
    QVERIFY(QFileInfo::exists(file));

    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    // The same sounds in another order are the same list.
    m_server->backend().eqCloud().setSoundList("9", QJsonArray{list.at(1), list.at(0)});
    loaded.clear();
    m_controller->fetch("9");
    QVERIFY(loaded.wait(5000));
    QCOMPARE(QFileInfo(file).lastModified(), old);

    m_server->backend().eqCloud().setSoundList("9", QJsonArray{sound("c", "3")});
    loaded.clear();
    m_controller->fetch("9");
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 2, 5000);
    QVERIFY(QFileInfo(file).lastModified() > old);
    QList<EQEffect> cached;
    QVERIFY(EQSoundListCache::loadFile(file, &cached, nullptr));
    QCOMPARE(ids(cached), QStringList{"c"});
}

void TestEqSoundListController::olderFileWithoutLanguage()
{
    QDir().mkpath(cacheFile(""));
    const QString legacy = cacheFile("eq_soundlist_pid_4.json");
    QVERIFY(writeBytes(legacy, QJsonDocument(QJsonArray{sound("legacy", "1")}).toJson()));
    m_server->backend().eqCloud().setSoundList("4", QJsonArray{sound("fresh", "1")});
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("4");
    QCOMPARE(ids(basicOf(loaded, 0)), QStringList{"legacy"});
    QVERIFY(loaded.wait(5000));
    QVERIFY(QFileInfo::exists(cacheFile("eq_soundlist_pid_4_lang_zh.json")));
    QVERIFY(!QFileInfo::exists(legacy));
}

void TestEqSoundListController::listForAnotherProductIsOnlyCached()
{
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    QSignalSpy failed(m_controller.get(), &EQSoundListController::fetchFailed);
    m_controller->attachApi(nullptr, false);
    m_controller->fetch("B");
    QCOMPARE(failed.count(), 1);
    EqApi other;
    m_controller->attachApi(&other, false);

    emit other.eqEffectsReceived(effects(QJsonArray{sound("a", "1")}), " A ");
    QCOMPARE(loaded.count(), 0);
    QVERIFY(QFileInfo::exists(cacheFile("eq_soundlist_pid_A_lang_zh.json")));
    emit other.eqEffectsFailed(-1, "timeout", "A");
    QCOMPARE(failed.count(), 1);

    emit other.eqEffectsReceived(effects(QJsonArray{sound("b", "1")}), "B");
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(ids(basicOf(loaded, 0)), QStringList{"b"});
    m_controller->attachApi(nullptr, false);
}

void TestEqSoundListController::weakNetworkRetriesOnce()
{
    m_server->backend().eqCloud().setSoundList("3", QJsonArray{sound("a", "1")});
    Fault once = Fault::status(503);
    once.times = 1;
    m_server->setFault(soundListRoute, once);
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    QSignalSpy failed(m_controller.get(), &EQSoundListController::fetchFailed);
    m_controller->fetch("3");
    QVERIFY(loaded.wait(5000));
    QCOMPARE(failed.count(), 0);
    QCOMPARE(m_server->requestCount(soundListRoute), 2);

    // A second failure in a row is reported with the service's code and message.
    m_server->setFault(soundListRoute, Fault::status(503));
    QDir(cacheFile("")).removeRecursively();
    m_controller->fetch("2");
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).toInt(), -1);
    QCOMPARE(m_server->requestCount(soundListRoute), 4);
}

void TestEqSoundListController::weakNetworkFailures_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("weak");
    QTest::newRow("socket timed out") << 0 << "Socket operation timed out" << true;
    QTest::newRow("refused") << 0 << " connection refused " << true;
    QTest::newRow("unreachable") << 0 << "Network is unreachable" << true;
    QTest::newRow("code 0 otherwise") << 0 << "Host not found" << false;
    QTest::newRow("transport") << -1 << "" << true;
    QTest::newRow("canceled") << -1 << "operation canceled" << false;
    QTest::newRow("server code") << 1003 << "timeout" << false;
}

void TestEqSoundListController::weakNetworkFailures()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(bool, weak);
    QCOMPARE(EQSoundListController::isWeakNetworkFailure(code, message), weak);
}

void TestEqSoundListController::serverRefusalIsNotRetried()
{
    // An envelope error is the server's answer, not a weak network.
    QSignalSpy failed(m_controller.get(), &EQSoundListController::fetchFailed);
    m_server->backend().setCannedReply(soundListRoute, FakeApi::Backend::envelope(2052, "pid不能为空"));
    m_controller->fetch("8");
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.last().at(0).toInt(), 2052);
    QCOMPARE(failed.last().at(1).toString(), QStringLiteral("pid不能为空"));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(m_server->requestCount(soundListRoute), 1);
}

void TestEqSoundListController::gameImagesAreCached()
{
    m_server->backend().setFile("a.jpeg", "JPEGDATA");
    m_server->backend().setFile("huge.png", QByteArray(4096, 'x'));
    const QString url = m_server->fileUrl("a.jpeg").toString() + "?v=1";
    const QString upper = QString(url).replace("http://", "HTTP://");
    m_server->backend().eqCloud().setSoundList(
        "2", QJsonArray{sound("g1", "12", 1, url), sound("g2", "13", 2, url), sound("g3", "14", 3, "ftp://x/y.png"),
                        sound("g4", "15", 4, "/local/z.png"), sound("b", "1", 0, upper),
                        sound("g5", "16", 5, m_server->fileUrl("huge.png").toString()),
                        sound("g6", "17", 6, m_server->fileUrl("missing.png").toString())});
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("2");
    QVERIFY(loaded.wait(5000));
    QCOMPARE(gameOf(loaded, 0).at(0).image, url);

    const QString imagePath = cacheFile("eq_soundlist_images/" + md5Name("2", url, "jpeg"));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() >= 2, 5000);
    const QList<EQEffect> game = gameOf(loaded, loaded.count() - 1);
    QCOMPARE(game.at(0).image, imagePath);
    QCOMPARE(game.at(1).image, imagePath);
    QCOMPARE(game.at(2).image, QStringLiteral("ftp://x/y.png"));
    QCOMPARE(game.at(3).image, QStringLiteral("/local/z.png"));
    QCOMPARE(basicOf(loaded, loaded.count() - 1).at(0).image, upper);
    QCOMPARE(readBytes(imagePath), QByteArray("JPEGDATA"));
    // One download for the URL the two sounds share; none for the basic sound.
    QCOMPARE(m_server->requestCount("files/a.jpeg"), 1);
    // An image past the size limit and a missing one leave no file.
    QTRY_VERIFY_WITH_TIMEOUT(m_server->requestCount("files/missing.png") >= 1, 5000);
    QCOMPARE(QDir(cacheFile("eq_soundlist_images")).entryList(QDir::Files), QStringList{md5Name("2", url, "jpeg")});

    // Next time the file is used straight from the cache list, without a download.
    loaded.clear();
    m_controller->fetch("2");
    QCOMPARE(gameOf(loaded, 0).at(0).image, imagePath);
    QVERIFY(loaded.wait(5000));
    QCOMPARE(m_server->requestCount("files/a.jpeg"), 1);
}

void TestEqSoundListController::imagesPerProductAndUrl()
{
    m_server->backend().setFile("p.png", "PNG");
    const QString url = m_server->fileUrl("p.png").toString();
    m_server->backend().eqCloud().setSoundList("10", QJsonArray{sound("g", "20", 0, url)});
    m_server->backend().eqCloud().setSoundList("11", QJsonArray{sound("g", "20", 0, url)});
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("10");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(cacheFile("eq_soundlist_images/" + md5Name("10", url, "png"))), 5000);
    m_controller->fetch("11");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(cacheFile("eq_soundlist_images/" + md5Name("11", url, "png"))), 5000);
    QCOMPARE(m_server->requestCount("files/p.png"), 2);
}

void TestEqSoundListController::imageExtensions_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("extension");
    QTest::newRow("jpeg with query") << "http://h/x/a.jpeg?size=2" << "jpeg";
    QTest::newRow("upper case") << "https://h/A.PNG" << "PNG";
    QTest::newRow("encoded") << "http://h/a%2Ewebp" << "webp";
    QTest::newRow("no dot") << "http://h/image" << "img";
    QTest::newRow("ends in a dot") << "http://h/a." << "img";
    QTest::newRow("too long") << "http://h/a.verylong" << "img";
    QTest::newRow("six") << "http://h/a.abcdef" << "abcdef";
    QTest::newRow("dot in a folder") << "http://h/a.b/c" << "img";
    QTest::newRow("climbs out") << "http://h/a.b%2F..%2Fx" << "img";
}

void TestEqSoundListController::imageExtensions()
{
    QFETCH(QString, url);
    QFETCH(QString, extension);
    QCOMPARE(EQSoundListCache::imageExtension(url), extension);
}

void TestEqSoundListController::languageOfList_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("normalized");
    QTest::newRow("en-us") << "EN-us " << "en-us";
    QTest::newRow("symbols only") << "#$% " << "zh";
    QTest::newRow("empty") << "" << "zh";
    QTest::newRow("underscore kept") << "zh_CN" << "zh_cn";
    QTest::newRow("cut to 16") << "abcdefghijklmnopqrstuvwxyz" << "abcdefghijklmnop";
    QTest::newRow("slash dropped") << "../en" << "en";
}

void TestEqSoundListController::languageOfList()
{
    QFETCH(QString, language);
    QFETCH(QString, normalized);
    QCOMPARE(EQSoundListCache::normalizedLanguage(language), normalized);

    m_api->setLanguage(language);
    m_server->backend().eqCloud().setSoundList("12", QJsonArray{sound("a", "1")});
    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("12");
    QVERIFY(loaded.wait(5000));
    QVERIFY(QFileInfo::exists(cacheFile("eq_soundlist_pid_12_lang_" + normalized + ".json")));
}

void TestEqSoundListController::productIdStaysInCacheFolder()
{
    const QString path = EQSoundListCache::listFilePath("../../x/49678", "en");
    QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(cacheFile("")).absolutePath());
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("eq_soundlist_pid_______x_49678_lang_en.json"));
    QCOMPARE(QFileInfo(EQSoundListCache::listFilePath(" ", "zh")).fileName(),
             QStringLiteral("eq_soundlist_pid_1_lang_zh.json"));
}

void TestEqSoundListController::replacingTheApi()
{
    QPointer<EqApi> owned = m_api;
    auto *shared = new EqApi(this);
    shared->setBaseUrl(m_server->baseUrl());
    m_controller->attachApi(shared, false);
    QTRY_VERIFY_WITH_TIMEOUT(owned.isNull(), 2000);

    QSignalSpy loaded(m_controller.get(), &EQSoundListController::officialSoundsLoaded);
    m_controller->fetch("B");
    auto *next = new EqApi(this);
    m_controller->attachApi(next, false);
    emit shared->eqEffectsReceived(effects(QJsonArray{sound("a", "1")}), "B");
    QCOMPARE(loaded.count(), 0);

    // Not owned: it outlives the controller, which no longer listens to it.
    m_controller.reset();
    QVERIFY(next->parent() == this);
    emit next->eqEffectsReceived(effects(QJsonArray{sound("a", "1")}), "B");
    delete next;
    delete shared;
}

QTEST_GUILESS_MAIN(TestEqSoundListController)
#include "tst_eqsoundlistcontroller.moc"
