#include "protocol/FrameCodec.h"
#include "LevelLog.h"

#include <QTest>

using namespace HeadsetProtocol;
namespace FC = HeadsetProtocol::FrameCodec;

namespace {

QByteArray payloadOf(int size)
{
    QByteArray p(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        p[i] = static_cast<char>(i * 7 + 3);
    return p;
}

// A frame with a correct CRC around arbitrary header and body bytes.
QByteArray sealed(QByteArray headerAndBody)
{
    const quint16 crc = FC::crc16(headerAndBody);
    headerAndBody.append(static_cast<char>(crc >> 8));
    headerAndBody.append(static_cast<char>(crc & 0xFF));
    return headerAndBody;
}

} // namespace

class TestFrameCodec : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValue()
    {
        QCOMPARE(FC::crc16("123456789"), quint16(0x29B1));
        QCOMPARE(FC::crc16(QByteArray()), quint16(0xFFFF));
    }

    void crcMatchesBitwiseDefinition()
    {
        // Every length up to two frames, so each tail length of the block loop is met.
        const QByteArray data = payloadOf(130);
        for (int n = 0; n <= data.size(); ++n) {
            quint16 expected = 0xFFFF;
            for (int i = 0; i < n; ++i) {
                expected ^= quint16(quint8(data[i]) << 8);
                for (int bit = 0; bit < 8; ++bit)
                    expected = (expected & 0x8000) ? quint16((expected << 1) ^ 0x1021) : quint16(expected << 1);
            }
            QCOMPARE(FC::crc16(data.left(n)), expected);
        }
    }

    void frameCounts_data()
    {
        QTest::addColumn<int>("payloadSize");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("lastLength");
        QTest::newRow("empty") << 0 << 1 << 0;
        QTest::newRow("one full frame") << 53 << 1 << 53;
        QTest::newRow("one byte over") << 54 << 2 << 1;
        QTest::newRow("largest message") << 13515 << 255 << 53;
    }

    void frameCounts()
    {
        QFETCH(int, payloadSize);
        QFETCH(int, frames);
        QFETCH(int, lastLength);
        const QByteArray payload = payloadOf(payloadSize);
        const auto out = FC::splitIntoFrames(0x20, CommandType::Request, 9, payload, false, {}, {});
        QCOMPARE(int(out.size()), frames);

        QByteArray joined;
        for (size_t i = 0; i < out.size(); ++i) {
            const QByteArray &frame = out[i];
            QVERIFY(frame.size() <= FC::MaxFrameSize);
            const ParsedFrame parsed = FC::parseFrame(frame, false, {}, {});
            QVERIFY(parsed.valid);
            QCOMPARE(parsed.seq, quint8(9));
            QCOMPARE(parsed.cmd, quint16(0x20));
            QCOMPARE(parsed.frameIndex, quint8(i));
            QCOMPARE(parsed.totalFrames, quint8(frames));
            QCOMPARE(frame.size(), FC::MinFrameSize + parsed.length);
            joined += parsed.payload;
        }
        QCOMPARE(FC::parseFrame(out.back(), false, {}, {}).length, quint16(lastLength));
        QCOMPARE(joined, payload);
    }

    void emptyPayloadIsOneElevenByteFrame()
    {
        const auto out = FC::splitIntoFrames(0x21, CommandType::Request, 3, {}, false, {}, {});
        QCOMPARE(int(out.size()), 1);
        QCOMPARE(out[0].size(), 11);
        QCOMPARE(out[0].left(9), QByteArray::fromHex("FE 03 2100 01 00 01 0000"));
    }

    void tooLargePayloadIsRefused()
    {
        LevelLog log;
        const auto out = FC::splitIntoFrames(0x20, CommandType::Request, 0, payloadOf(13516), false, {}, log.callback());
        QVERIFY(out.empty());
        QCOMPARE(log.entries,
                 (QList<LevelLog::Entry>{{"Too many frames required: 256 (max: 255), payload size: 13516 bytes", 3}}));
    }

    void createdFrameLog()
    {
        LevelLog log;
        const auto out = FC::splitIntoFrames(0x20, CommandType::Request, 0, payloadOf(54), false, {}, log.callback());
        QCOMPARE(log.entries.size(), 2);
        const quint16 crc = quint16((quint8(out[1].at(10)) << 8) | quint8(out[1].at(11)));
        QCOMPARE(log.entries[1].message,
                 QStringLiteral("Created frame 2/2. Offset: 53, Size: 12 bytes, CRC: 0x%1").arg(crc, 0, 16));
        QCOMPARE(log.entries[1].level, 2);
    }

    void byteOrderOfHeaderAndCrc()
    {
        // cmd 0x0123 and a 2-byte payload: cmd and length little-endian, CRC big-endian.
        const auto out = FC::splitIntoFrames(0x0123, CommandType::Notify, 0x1F, QByteArray("\xAA\xBB", 2), false, {}, {});
        QCOMPARE(int(out.size()), 1);
        const QByteArray frame = out[0];
        QCOMPARE(frame.left(9), QByteArray::fromHex("FE 0F 2301 03 00 01 0200"));
        QCOMPARE(frame.mid(9, 2), QByteArray::fromHex("AABB"));
        const quint16 crc = FC::crc16(frame.left(11));
        QCOMPARE(quint8(frame[11]), quint8(crc >> 8));
        QCOMPARE(quint8(frame[12]), quint8(crc & 0xFF));
        QCOMPARE(FC::buildHeader(0x0123, CommandType::Notify, 0x0F, 0, 1, 2, true),
                 QByteArray::fromHex("FE 8F 2301 03 00 01 0200"));

        QByteArray swapped = frame;
        std::swap(swapped[11], swapped[12]);
        LevelLog log;
        QVERIFY(FC::verifyCrc(frame, {}));
        QVERIFY(!FC::verifyCrc(swapped, log.callback()));
        QCOMPARE(log.entries,
                 (QList<LevelLog::Entry>{{QStringLiteral("CRC mismatch. Received:0x%1 Calculated:0x%2")
                                              .arg(quint16((crc << 8) | (crc >> 8)), 0, 16)
                                              .arg(crc, 0, 16),
                                          3}}));
    }

    void reservedBitsDoNotChangeTheSequence()
    {
        const QByteArray frame = sealed(QByteArray::fromHex("FE 75 1000 02 00 01 0000"));
        const ParsedFrame parsed = FC::parseFrame(frame, false, {}, {});
        QVERIFY(parsed.valid);
        QCOMPARE(parsed.seq, quint8(5));
        QVERIFY(!parsed.encrypted);
        QCOMPARE(parsed.type, CommandType::Response);
    }

    void malformedFramesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("expectedLog");
        QTest::newRow("ten bytes")
            << QByteArray::fromHex("FE 00 1000 02 00 01 0000 FF")
            << QStringList{"Frame too small: 10 bytes", "Frame too small for CRC verification"};
        QTest::newRow("length past the end")
            << sealed(QByteArray::fromHex("FE 00 1000 02 00 01 1400 0102030405"))
            << QStringList{"Frame length mismatch. Header:20 Actual:5"};
        QTest::newRow("enciphered while encryption is off")
            << sealed(QByteArray::fromHex("FE 81 1000 02 00 01 0100 55"))
            << QStringList{"Received encrypted frame but encryption is disabled"};
    }

    void malformedFramesAreRefused()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QStringList, expectedLog);
        LevelLog parseLog;
        const ParsedFrame parsed = FC::parseFrame(frame, false, {}, parseLog.callback());
        QVERIFY(!parsed.valid);
        QCOMPARE(parseLog.messages().first(), expectedLog.first());
        for (const auto &e : parseLog.entries)
            QCOMPARE(e.level, 3);
        if (expectedLog.size() > 1) {
            LevelLog crcLog;
            QVERIFY(!FC::verifyCrc(frame, crcLog.callback()));
            QCOMPARE(crcLog.messages(), expectedLog.mid(1));
        }
    }

    void frameLongerThanItsLengthKeepsTheLengthBytes()
    {
        // The CRC always sits in the last two bytes of what was passed in.
        const QByteArray frame = sealed(QByteArray::fromHex("FE 00 1000 02 00 01 0200 AABB CCDD"));
        const ParsedFrame parsed = FC::parseFrame(frame, false, {}, {});
        QVERIFY(parsed.valid);
        QCOMPARE(parsed.payload, QByteArray::fromHex("AABB"));
    }

    void encipheredFrameWithEncryptionOn()
    {
        const QByteArray frame = sealed(QByteArray::fromHex("FE 81 1000 02 00 01 0200 AABB"));
        const ParsedFrame plain = FC::parseFrame(frame, true, {}, {});
        QVERIFY(plain.valid);
        QVERIFY(plain.encrypted);
        QCOMPARE(plain.payload, QByteArray::fromHex("AABB"));

        const ParsedFrame keyed = FC::parseFrame(frame, true, QByteArray::fromHex("0F"), {});
        QCOMPARE(keyed.payload, QByteArray::fromHex("A5B4"));
    }

    void keyRestartsInEveryFrame()
    {
        const QByteArray key = QByteArray::fromHex("0102 04");
        const QByteArray payload(60, '\0');
        const auto out = FC::splitIntoFrames(0x20, CommandType::Request, 0, payload, true, key, {});
        QCOMPARE(int(out.size()), 2);
        QCOMPARE(quint8(out[0][1]) & 0x80, 0x80);
        // Zero bytes show the key stream itself.
        QCOMPARE(out[0].mid(9, 7), QByteArray::fromHex("01020401020401"));
        QCOMPARE(out[0].mid(9 + 51, 2), QByteArray::fromHex("0102"));
        // A key running on across frames would give 04 here (53 % 3 = 2).
        QCOMPARE(out[1].mid(9, 7), QByteArray::fromHex("01020401020401"));

        QByteArray joined;
        for (const QByteArray &f : out)
            joined += FC::parseFrame(f, true, key, {}).payload;
        QCOMPARE(joined, payload);
        QCOMPARE(FC::xorPayload(payload, false, key), payload);
        QCOMPARE(FC::xorPayload(payload, true, {}), payload);
    }
};

QTEST_GUILESS_MAIN(TestFrameCodec)
#include "tst_framecodec.moc"
