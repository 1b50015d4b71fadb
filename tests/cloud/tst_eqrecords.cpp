// Reading the loosely typed EQ records of the server: official effects,
// shared EQ items, categories and the two text helpers.
#include "cloud/CloudEQItem.h"
#include "cloud/EQCategory.h"
#include "cloud/EQEffect.h"
#include "cloud/EqJsonReaders.h"
#include "cloud/JsonIdText.h"
#include "cloud/UserInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace EarphoneApi;

namespace {

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

// The value under "v" of a one-key object, so rows can be written as JSON text.
QJsonValue valueOf(const char *json)
{
    return object(json).value(QLatin1String("v"));
}

} // namespace

class TestEqRecords : public QObject
{
    Q_OBJECT

private slots:
    void scalarText_data();
    void scalarText();
    void bandList_data();
    void bandList();
    void effectFields_data();
    void effectFields();
    void effectNumberLists();
    void cloudItemFallbackKeys_data();
    void cloudItemFallbackKeys();
    void cloudItemMainGain_data();
    void cloudItemMainGain();
    void categoryTakesOnlyStrings();
    void listRule_data();
    void listRule();
    void idText_data();
    void idText();
};

void TestEqRecords::scalarText_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("expected");
    QTest::newRow("string kept") << R"({"v":" 12 "})" << " 12 ";
    QTest::newRow("integer") << R"({"v":12})" << "12";
    QTest::newRow("fraction") << R"({"v":1.5})" << "1.5";
    QTest::newRow("large") << R"({"v":1e20})" << "1e+20";
    QTest::newRow("fifteen digits") << R"({"v":0.1234567890123456789})" << "0.123456789012346";
    QTest::newRow("true") << R"({"v":true})" << "1";
    QTest::newRow("false") << R"({"v":false})" << "0";
    QTest::newRow("null") << R"({"v":null})" << "";
    QTest::newRow("array") << R"({"v":[1]})" << "";
    QTest::newRow("object") << R"({"v":{}})" << "";
    QTest::newRow("absent") << R"({})" << "";
}

void TestEqRecords::scalarText()
{
    QFETCH(QString, json);
    QFETCH(QString, expected);
    QCOMPARE(jsonValueToString(valueOf(json.toUtf8().constData())), expected);
}

void TestEqRecords::bandList_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("array of mixed") << R"({"v":[31,"62.5",true,null,[1],{}]})"
                                    << QStringList{"31", "62.5", "1", "", "", ""};
    QTest::newRow("text holding an array") << R"({"v":"[31, 62.5]"})" << QStringList{"31", "62.5"};
    QTest::newRow("text without brackets") << R"({"v":"31,62.5"})" << QStringList{"31,62.5"};
    QTest::newRow("text holding an object") << R"({"v":"{\"a\":1}"})" << QStringList{"{\"a\":1}"};
    QTest::newRow("empty text") << R"({"v":""})" << QStringList{};
    QTest::newRow("bare number") << R"({"v":31})" << QStringList{};
    QTest::newRow("boolean") << R"({"v":true})" << QStringList{};
    QTest::newRow("null") << R"({"v":null})" << QStringList{};
    QTest::newRow("object") << R"({"v":{"a":1}})" << QStringList{};
    QTest::newRow("absent") << R"({})" << QStringList{};
}

void TestEqRecords::bandList()
{
    QFETCH(QString, json);
    QFETCH(QStringList, expected);
    QCOMPARE(jsonArrayToStringList(valueOf(json.toUtf8().constData())), expected);
}

void TestEqRecords::effectFields_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("gain");
    QTest::addColumn<int>("sort");
    QTest::addColumn<double>("mainGain");
    QTest::newRow("numbers") << R"({"id":12.9,"gain":2,"sort":7.8,"main_gain":-3.5})" << "12" << "2" << 7 << -3.5;
    QTest::newRow("texts") << R"({"id":" a1 ","gain":"x","sort":" 7 ","main_gain":" 2.5 "})" << " a1 " << "x" << 7
                           << 2.5;
    QTest::newRow("fractional gain") << R"({"id":-0.5,"gain":2.5})" << "0" << "0" << 0 << 0.0;
    QTest::newRow("gain beyond int") << R"({"gain":3e10})" << "" << "0" << 0 << 0.0;
    QTest::newRow("gain booleans") << R"({"gain":true})" << "" << "true" << 0 << 0.0;
    QTest::newRow("gain null") << R"({"gain":null,"sort":null})" << "" << "" << 0 << 0.0;
    QTest::newRow("gain absent") << R"({"sort":"seven"})" << "" << "" << 0 << 0.0;
    QTest::newRow("id of another kind") << R"({"id":true,"main_gain":"nan"})" << "" << "" << 0 << 0.0;
    QTest::newRow("sort saturates") << R"({"sort":1e12})" << "" << "" << 2147483647 << 0.0;
}

void TestEqRecords::effectFields()
{
    QFETCH(QString, json);
    const EQEffect effect = EQEffect::fromJson(object(json.toUtf8().constData()));
    QTEST(effect.id, "id");
    QTEST(effect.gain, "gain");
    QTEST(effect.sort, "sort");
    QTEST(effect.main_gain, "mainGain");
}

void TestEqRecords::effectNumberLists()
{
    const EQEffect effect = EQEffect::fromJson(object(
        R"({"sound":["1.5","abc",null,2],"q":"[1,2]","freq":[31,62],"type":["PK",3,"LS"],"name":5,"enname":"Rock"})"));
    QCOMPARE(effect.sound, (QList<double>{1.5, 0, 0, 2}));
    QVERIFY(effect.q.isEmpty()); // only an array counts
    QCOMPARE(effect.freq, (QList<double>{31, 62}));
    QCOMPARE(effect.type, (QStringList{"PK", "", "LS"}));
    QVERIFY(effect.name.isEmpty());
    QCOMPARE(effect.enname, QStringLiteral("Rock"));
}

void TestEqRecords::cloudItemFallbackKeys_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("shareCode");
    QTest::addColumn<QString>("downloads");
    QTest::addColumn<QString>("isLike");
    QTest::newRow("first keys") << R"({"share_code":"A1","download_num":12,"isLike":true})" << "A1" << "12" << "1";
    QTest::newRow("empty first key falls back") << R"({"share_code":"","shareCode":"B2","downloadNum":"3"})" << "B2"
                                               << "3" << "";
    QTest::newRow("null first key falls back") << R"({"share_code":null,"shareCode":7,"is_like":false})" << "7" << ""
                                               << "0";
    QTest::newRow("first key wins") << R"({"isLike":"0","is_like":"1"})" << "" << "" << "0";
}

void TestEqRecords::cloudItemFallbackKeys()
{
    QFETCH(QString, json);
    const CloudEQItem item = parseCloudEQItem(object(json.toUtf8().constData()));
    QTEST(item.share_code, "shareCode");
    QTEST(item.download_num, "downloads");
    QTEST(item.isLike, "isLike");
}

void TestEqRecords::cloudItemMainGain_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<int>("mainGain");
    QTest::addColumn<QString>("uid");
    QTest::newRow("number") << R"({"main_gain":-3.9,"uid":"u1"})" << -3 << "u1";
    QTest::newRow("text") << R"({"main_gain":" 4 ","uid":42})" << 4 << "";
    QTest::newRow("bad text") << R"({"main_gain":"4dB"})" << 0 << "";
    QTest::newRow("true") << R"({"main_gain":true})" << 1 << "";
    QTest::newRow("array") << R"({"main_gain":[1]})" << 0 << "";
}

void TestEqRecords::cloudItemMainGain()
{
    QFETCH(QString, json);
    const CloudEQItem item = parseCloudEQItem(object(json.toUtf8().constData()));
    QTEST(item.main_gain, "mainGain");
    QTEST(item.uid, "uid");
}

void TestEqRecords::categoryTakesOnlyStrings()
{
    const EQCategory category = parseEQCategory(object(R"({"id":12,"name":"FPS","pid":"49678","sort":1,"lang":"zh"})"));
    QVERIFY(category.id.isEmpty());
    QCOMPARE(category.name, QStringLiteral("FPS"));
    QCOMPARE(category.pid, QStringLiteral("49678"));
    QVERIFY(category.sort.isEmpty());
    QCOMPARE(category.lang, QStringLiteral("zh"));
}

void TestEqRecords::listRule_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<int>("count");
    QTest::newRow("array with a number") << R"({"v":[{"id":"1"},{"id":"2"},3]})" << 2;
    QTest::newRow("nested data array") << R"({"v":{"data":[{"id":"1"},"x"]}})" << 1;
    QTest::newRow("object without data") << R"({"v":{"id":"1"}})" << 0;
    QTest::newRow("nested data not an array") << R"({"v":{"data":{"id":"1"}}})" << 0;
    QTest::newRow("null") << R"({"v":null})" << 0;
}

void TestEqRecords::listRule()
{
    QFETCH(QString, json);
    QTEST(int(jsonObjectList(valueOf(json.toUtf8().constData())).size()), "count");
}

void TestEqRecords::idText_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("id");
    QTest::newRow("text kept as sent") << QJsonValue(" a1 ") << " a1 ";
    QTest::newRow("integer") << QJsonValue(12) << "12";
    QTest::newRow("fraction truncated") << QJsonValue(12.9) << "12";
    QTest::newRow("negative truncated") << QJsonValue(-3.7) << "-3";
    QTest::newRow("no minus zero") << QJsonValue(-0.5) << "0";
    QTest::newRow("largest exact") << QJsonValue(9007199254740992.0) << "9007199254740992";
    // Past 2^53 the number may stand for a neighbouring id: none rather than a wrong one.
    QTest::newRow("past exact") << QJsonValue(18014398509481984.0) << "";
    QTest::newRow("huge") << QJsonValue(1e300) << "";
    QTest::newRow("boolean") << QJsonValue(true) << "";
    QTest::newRow("null") << QJsonValue() << "";
    QTest::newRow("array") << QJsonValue(QJsonArray{1}) << "";
}

void TestEqRecords::idText()
{
    QFETCH(QJsonValue, value);
    QFETCH(QString, id);
    QCOMPARE(jsonIdText(value), id);
    // The preset, the cloud item and the user record read their ids alike;
    // only the user's id is trimmed.
    QCOMPARE(EQEffect::fromJson(QJsonObject{{"id", value}}).id, id);
    QCOMPARE(parseCloudEQItem(QJsonObject{{"id", value}}).id, id);
    QCOMPARE(parseUserInfo(QJsonObject{{"uid", value}}).uid, id.trimmed());
}

QTEST_GUILESS_MAIN(TestEqRecords)
#include "tst_eqrecords.moc"
