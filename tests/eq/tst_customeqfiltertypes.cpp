// Filter-type codes of custom slots in both schemes, and the gain text.
#include "eq/CustomEqFilterTypes.h"
#include "eq/EqDataMapper.h"

#include <QJsonValue>
#include <QTest>

using namespace CustomEq;

class TestCustomEqFilterTypes : public QObject
{
    Q_OBJECT

private slots:
    void standardCodes_data();
    void standardCodes();
    void typeTexts_data();
    void typeTexts();
    void qorCodeFromDisplayName_data();
    void qorCodeFromDisplayName();
    void qorDisplayNameClampsCode();
    void typeTextFromJson_data();
    void typeTextFromJson();
    void gainTexts_data();
    void gainTexts();
};

void TestCustomEqFilterTypes::standardCodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("blank") << "  " << 1;
    QTest::newRow("2") << "2" << 2;
    QTest::newRow("3") << " 3 " << 3;
    QTest::newRow("5") << "5" << 5;
    QTest::newRow("0x03") << "0x03" << 3;
    QTest::newRow("0X2") << "0X2" << 2;
    QTest::newRow("octal 04") << "04" << 4;
    QTest::newRow("octal 05") << "05" << 5;
    // Codes no filter has read as Peaking, never as the nearest code.
    QTest::newRow("6") << "6" << 1;
    QTest::newRow("7") << "7" << 1;
    QTest::newRow("0") << "0" << 1;
    QTest::newRow("0x0") << "0x0" << 1;
    QTest::newRow("-1") << "-1" << 1;
    QTest::newRow("08 is no octal") << "08" << 1;
    QTest::newRow("peaking") << "PEAKING" << 1;
    QTest::newRow("low pass") << "low pass" << 2;
    QTest::newRow("lowpass") << " LowPass " << 2;
    QTest::newRow("highpass") << "highpass" << 3;
    QTest::newRow("LOWSHELF") << "LOWSHELF" << 4;
    QTest::newRow("low shelf") << " low shelf " << 4;
    QTest::newRow("High Shelf") << "High Shelf" << 5;
    QTest::newRow("highshelf") << "HighShelf" << 5;
    QTest::newRow("peak") << "peak" << 1;
    QTest::newRow("inner blanks count") << "low  pass" << 1;
    QTest::newRow("disable") << "Disable" << 1;
    QTest::newRow("notch") << "notch" << 1;
}

void TestCustomEqFilterTypes::standardCodes()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    // What a slot shows and what the headset is sent agree.
    QCOMPARE(standardTypeCode(text), code);
    QCOMPARE(int(EqDataMapper::parseFilterType(text)), code);
}

void TestCustomEqFilterTypes::typeTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("standardName");
    QTest::addColumn<bool>("standardOk");
    QTest::addColumn<int>("qor");
    QTest::addColumn<bool>("qorOk");

    QTest::newRow("empty") << "" << "Peaking" << true << 2 << true;
    QTest::newRow("blank") << "  " << "Peaking" << true << 2 << true;
    // "2" is Low Pass for standard headsets and Peaking for the Qor model.
    QTest::newRow("2") << "2" << "Low Pass" << true << 2 << true;
    QTest::newRow("3") << " 3 " << "High Pass" << true << 3 << true;
    // A hexadecimal text is always a standard code.
    QTest::newRow("0x2") << "0x2" << "Low Pass" << true << 4 << true;
    QTest::newRow("0X3") << "0X3" << "High Pass" << true << 5 << true;
    QTest::newRow("0x0") << "0x0" << "Peaking" << false << 2 << false;
    QTest::newRow("0") << "0" << "Peaking" << false << 0 << true;
    QTest::newRow("octal 05") << "05" << "High Shelf" << true << 5 << true;
    QTest::newRow("08 is no octal") << "08" << "Peaking" << false << 2 << false;
    QTest::newRow("7") << "7" << "Peaking" << false << 2 << false;
    QTest::newRow("-1") << "-1" << "Peaking" << false << 2 << false;
    QTest::newRow("peaking") << "PEAKING" << "Peaking" << true << 2 << true;
    QTest::newRow("peak") << "peak" << "Peaking" << false << 2 << true;
    QTest::newRow("low pass") << "Low Pass" << "Low Pass" << true << 4 << true;
    QTest::newRow("lowpass") << "lowpass" << "Low Pass" << false << 4 << true;
    QTest::newRow("low shelf") << " low shelf " << "Low Shelf" << true << 1 << true;
    QTest::newRow("highshelf") << "HighShelf" << "High Shelf" << false << 3 << true;
    QTest::newRow("high pass") << "high pass" << "High Pass" << true << 5 << true;
    QTest::newRow("inner blanks count") << "low  pass" << "Peaking" << false << 2 << false;
    QTest::newRow("disable") << "Disable" << "Peaking" << false << 0 << true;
    QTest::newRow("notch") << "notch" << "Peaking" << false << 2 << false;
}

void TestCustomEqFilterTypes::typeTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, standardName);
    QFETCH(bool, standardOk);
    QFETCH(int, qor);
    QFETCH(bool, qorOk);
    QCOMPARE(standardFilterTypeName(text), standardName);
    QCOMPARE(isStandardTypeText(text), standardOk);
    QCOMPARE(qorTypeCode(text), qor);
    QCOMPARE(isQorTypeText(text), qorOk);
}

void TestCustomEqFilterTypes::qorCodeFromDisplayName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("Disable") << "Disable" << 0;
    QTest::newRow("Low Shelf") << "low shelf" << 1;
    QTest::newRow("Peaking") << "Peaking" << 2;
    QTest::newRow("High Shelf") << " High Shelf " << 3;
    QTest::newRow("Low Pass") << "Low Pass" << 4;
    QTest::newRow("High Pass") << "HIGH PASS" << 5;
    // Display names only: codes and short forms fall back to Peaking.
    QTest::newRow("code") << "4" << 2;
    QTest::newRow("lowpass") << "lowpass" << 2;
}

void TestCustomEqFilterTypes::qorCodeFromDisplayName()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QCOMPARE(qorTypeCodeFromName(name), code);
    QCOMPARE(qorTypeCodeFromName(qorFilterTypeName(code)), code);
}

void TestCustomEqFilterTypes::qorDisplayNameClampsCode()
{
    QCOMPARE(qorFilterTypeName(-3), QStringLiteral("Disable"));
    QCOMPARE(qorFilterTypeName(9), QStringLiteral("High Pass"));
}

void TestCustomEqFilterTypes::typeTextFromJson_data()
{
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("qor");
    QTest::newRow("string kept") << QJsonValue(" lowpass ") << " lowpass " << " lowpass ";
    QTest::newRow("7") << QJsonValue(7) << "5" << "5";
    QTest::newRow("0") << QJsonValue(0) << "1" << "0";
    QTest::newRow("-1") << QJsonValue(-1) << "1" << "0";
    QTest::newRow("3.9 truncated") << QJsonValue(3.9) << "3" << "3";
    QTest::newRow("huge") << QJsonValue(1e300) << "5" << "5";
    QTest::newRow("true") << QJsonValue(true) << "" << "";
    QTest::newRow("null") << QJsonValue() << "" << "";
}

void TestCustomEqFilterTypes::typeTextFromJson()
{
    QFETCH(QJsonValue, value);
    QFETCH(QString, standard);
    QFETCH(QString, qor);
    QCOMPARE(filterTypeTextFromJson(value, false), standard);
    QCOMPARE(filterTypeTextFromJson(value, true), qor);
}

void TestCustomEqFilterTypes::gainTexts_data()
{
    QTest::addColumn<double>("gain");
    QTest::addColumn<QString>("text");
    QTest::newRow("3.0") << 3.0 << "3";
    QTest::newRow("-2.5") << -2.5 << "-2.5";
    QTest::newRow("0.04") << 0.04 << "0";
    QTest::newRow("-0.04") << -0.04 << "0";
    QTest::newRow("2.96") << 2.96 << "3";
    QTest::newRow("-7.26") << -7.26 << "-7.3";
}

void TestCustomEqFilterTypes::gainTexts()
{
    QFETCH(double, gain);
    QFETCH(QString, text);
    QCOMPARE(gainText(gain), text);
}

QTEST_GUILESS_MAIN(TestCustomEqFilterTypes)
#include "tst_customeqfiltertypes.moc"
