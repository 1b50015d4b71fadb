#include "protocol/CbQaspEqEncoder.h"
#include "protocol/EQData.h"
#include "tests/protocol/qasp/RecordingTransport.h"

#include <QtTest>

#include <array>

using HeadsetProtocol::EQData;
using Words = std::array<qint32, 5>;
Q_DECLARE_METATYPE(Words)

namespace {

const QString kDevice = QStringLiteral("\\\\?\\hid#vid_3302&pid_c20e&mi_00#7&1a2b3c4d&0&0000");

template <typename T>
T readLe(const QByteArray &report, int offset)
{
    quint64 value = 0;
    for (int i = int(sizeof(T)) - 1; i >= 0; --i)
        value = (value << 8) | quint8(report.at(offset + i));
    return T(value);
}

void row(const char *name, int kind, int fc, int gain, int q, int totalGain, Words words, int qWord, int gainWord,
         int gainOffset, int wireKind)
{
    QTest::newRow(name) << kind << fc << gain << q << totalGain << words << qWord << gainWord << gainOffset << wireKind;
}

} // namespace

// The exact words of the Qor model's filter report for single-band writes. The
// expected values come from tools/qasp_wire_words.py, which designs the bands
// from the filter formulas on its own, so a change of rounding by one LSB (or
// truncating instead of rounding) fails here even where the dB bounds hold.
class TestQaspWireWords : public QObject
{
    Q_OBJECT

private slots:
    void filterReportWords_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("fc");
        QTest::addColumn<int>("gain");      // 0.01 dB
        QTest::addColumn<int>("q");         // x 100
        QTest::addColumn<int>("totalGain"); // 0.1 dB
        QTest::addColumn<Words>("words");   // b0, b1, b2, -a1, -a2
        QTest::addColumn<int>("qWord");
        QTest::addColumn<int>("gainWord");
        QTest::addColumn<int>("gainOffset");
        QTest::addColumn<int>("wireKind"); // a high-shelf boost goes out as a low shelf

        // Output of tools/qasp_wire_words.py.
        row("peaking +6 dB at 1 kHz", 2, 1000, 600, 141, 0, {1091004735, -2108269822, 1021788740, 2108269822, -1039051651}, 361, 1536, 0, 2);
        row("peaking -2.25 dB rounds to -2.3", 2, 250, -225, 200, 0, {1072580837, -2137216474, 1064921768, 2137216474, -1063760781}, 512, -589, 0, 2);
        row("peaking +0.05 dB rounds to +0.1", 2, 4000, 5, 71, 0, {1075649325, -1756073066, 742371292, 1756073066, -744278793}, 182, 26, 0, 2);
        row("peaking -0.05 dB rounds to -0.1", 2, 63, -5, 1000, 0, {1073739276, -2147020193, 1073299169, 2147020193, -1073296621}, 2560, -26, 0, 2);
        row("peaking Q 0.10", 2, 500, -1200, 10, 25, {875879210, -1618145619, 743133249, 1618145619, -545270634}, 26, -3072, 3, 2);
        row("peaking Q 10.00", 2, 19999, 1200, 1000, -25, {1149388795, -542806759, 947343326, 542806759, -1022990297}, 2560, 3072, -3, 2);
        row("low shelf +4.5 dB", 1, 100, 450, 71, 0, {1075189313, -2137686184, 1062556196, 2137698178, -1063991691}, 182, 1152, 0, 1);
        row("low shelf -12 dB", 1, 20, -1200, 500, 120, {1072940222, -2144270065, 1071330764, 2144268693, -1070530534}, 1280, -3072, 12, 1);
        row("high shelf -6 dB", 3, 8000, -600, 71, 0, {616382924, -674752892, 210677295, 1422101889, -500667392}, 182, -1536, 0, 3);
        row("high shelf +0.15 dB rounds to +0.2, carried", 3, 12000, 15, 30, -120, {973009406, -867748067, 249216910, 946940102, -270929416}, 77, -51, -11, 1);
        row("high shelf +6 dB at 1 kHz, carried", 3, 1000, 600, 71, 25, {1053591674, -2010124167, 959584953, 2008605168, -940953802}, 182, -1536, 9, 1);
        row("low-pass Q 0.71", 4, 12000, 0, 71, 0, {104973153, 209946307, 104973153, 1013710442, -359861231}, 182, 0, 0, 4);
        row("low-pass Q 1.99", 4, 150, 300, 199, 0, {25809, 51617, 25809, 2142096328, -1068457739}, 509, 768, 0, 4);
        row("high-pass Q 0.50", 5, 80, 0, 50, 0, {1068141713, -2136283427, 1068141713, 2136268785, -1062556245}, 128, 0, 0, 5);
    }

    void filterReportWords()
    {
        QFETCH(int, kind);
        QFETCH(int, fc);
        QFETCH(int, gain);
        QFETCH(int, q);
        QFETCH(int, totalGain);
        QFETCH(Words, words);
        QFETCH(int, qWord);
        QFETCH(int, gainWord);
        QFETCH(int, gainOffset);
        QFETCH(int, wireKind);

        EQData eq;
        eq.index = 120;
        eq.qorCustom = true; // filter bytes are the Qasp kinds themselves
        eq.bandCount = 1;
        eq.frequencies = {quint16(fc)};
        eq.gains = {qint16(gain)};
        eq.qValues = {qint16(q)};
        eq.filterTypes = {quint8(kind)};
        eq.totalGain = qint16(totalGain);

        RecordingTransport transport(kDevice);
        QString error;
        QVERIFY2(CbQaspEqEncoder::buildChain(&transport, kDevice, eq, &error, {}), qPrintable(error));
        QCOMPARE(transport.writes.size(), CbQaspEqEncoder::kChainReportCount);

        const QByteArray report = transport.writes.at(0).data;
        QCOMPARE(report.size(), 64);
        QCOMPARE(report.left(6), QByteArray::fromHex("4B0109210000"));
        Words got{};
        for (int i = 0; i < 5; ++i)
            got[size_t(i)] = readLe<qint32>(report, 8 + 4 * i);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(got[size_t(i)], words[size_t(i)]);
        QCOMPARE(int(readLe<quint16>(report, 28)), fc);
        QCOMPARE(int(readLe<quint16>(report, 30)), qWord);
        QCOMPARE(int(readLe<qint16>(report, 32)), gainWord);
        QCOMPARE(int(quint8(report.at(34))), wireKind);
        QCOMPARE(int(qint8(report.at(35))), gainOffset);
        QCOMPARE(int(quint8(report.at(36))), 120);

        // The overall gain report carries the same offset as a Q8.8 word.
        const QByteArray gainReport = transport.writes.at(CbQaspEqEncoder::kFilterSlots).data;
        QCOMPARE(gainReport.left(4), QByteArray::fromHex("4B010302"));
        QCOMPARE(int(readLe<qint16>(gainReport, 4)), gainOffset * 256);
    }
};

QTEST_GUILESS_MAIN(TestQaspWireWords)
#include "tst_qaspwirewords.moc"
