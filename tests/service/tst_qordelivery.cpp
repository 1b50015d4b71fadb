// HidProtocolServiceQorDelivery: which chain a write belongs to, and when a
// chain is delivered or failed. Each row is a script of events:
//   b / B    a chain begins (the transport refuses new packets / drops its oldest)
//   eN / xN  its hand-over ends with N reports handed (x: the encoder failed, already reported)
//   +N / -N  N writes succeed / fail
//   a        the device goes away
//   s / r    the transport moves to another device / reports the same one again
// and the outcomes it must produce: D delivered, F failed, AN N chains abandoned.
#include "hid/HidProtocolServiceQorDelivery.h"

#include <QTest>

using Delivery = HidProtocolServiceQorDelivery;

class TestQorDelivery : public QObject
{
    Q_OBJECT

private slots:
    void chains_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("outcomes");
        QTest::addColumn<int>("open");
        QTest::newRow("not yet") << "b e11 +10" << "" << 1;
        QTest::newRow("delivered with the last report") << "b e11 +11" << "D" << 0;
        QTest::newRow("failed at its first bad report, once") << "b e11 +2 -1 +7 -1" << "F" << 0;
        QTest::newRow("next chain unaffected") << "b e11 +2 -1 +8 b e11 +11" << "F D" << 0;
        QTest::newRow("overlapping, in order") << "b e11 b e11 +11 +11" << "D D" << 0;
        QTest::newRow("second fails while the first waits") << "b e11 b e11 +11 -1 +10" << "D F" << 0;
        QTest::newRow("refused during the hand-over: the new chain")
            << "b e11 b -1 e11 +11 +10" << "F D" << 0;
        QTest::newRow("dropped during the hand-over, one chain") << "B -1 e11 +10" << "F" << 0;
        // The dropped report may be any open chain's: none of them passes as delivered.
        QTest::newRow("dropped during the hand-over: every open chain fails")
            << "b e11 b e11 B -1 e11 +10 +11 +11" << "F F F" << 0;
        QTest::newRow("dropped, then gone") << "b e11 B -1 e11 +3 a" << "F A1" << 0;
        QTest::newRow("dropped, later chains unaffected") << "b e11 B -1 e11 +21 b e11 +11" << "F F D" << 0;
        QTest::newRow("all refused during the hand-over") << "b -11 e11" << "F" << 0;
        QTest::newRow("encoder refused, nothing handed") << "b x0 b e11 +11" << "D" << 0;
        QTest::newRow("encoder failed part way") << "b x3 b e11 +3 +11" << "D" << 0;
        QTest::newRow("gone: only unreported chains") << "b e11 +4 -1 b e11 b e11 a" << "F A2" << 0;
        QTest::newRow("gone, then late writes") << "b e11 a +5 -1" << "A1" << 0;
        QTest::newRow("moved to another device") << "b e11 +4 -1 b e11 s" << "F A1" << 0;
        QTest::newRow("same device reported again") << "b e11 r +11" << "A0 D" << 0;
        QTest::newRow("writes without a chain") << "+3 -1" << "" << 0;
    }

    void chains()
    {
        QFETCH(QString, script);
        QFETCH(QString, outcomes);
        QFETCH(int, open);
        Delivery delivery;
        QStringList got;
        const auto note = [&got](const Delivery::Outcome &o) {
            if (o.result == Delivery::Result::Delivered)
                got.append(QStringLiteral("D"));
            else if (o.result == Delivery::Result::Failed)
                got.append(QStringLiteral("F"));
            if (o.result != Delivery::Result::None)
                QCOMPARE(o.deviceId, QStringLiteral("qor"));
        };
        for (const QString &step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QChar op = step.at(0);
            const int n = step.mid(1).toInt();
            if (op == QLatin1Char('b') || op == QLatin1Char('B')) {
                delivery.beginChain(QStringLiteral("qor"), op == QLatin1Char('B'));
            } else if (op == QLatin1Char('e') || op == QLatin1Char('x')) {
                note(delivery.endChain(n, op == QLatin1Char('x')));
            } else if (op == QLatin1Char('+') || op == QLatin1Char('-')) {
                for (int i = 0; i < n; ++i)
                    note(delivery.reportWritten(op == QLatin1Char('+')));
            } else if (op == QLatin1Char('a')) {
                got.append(QStringLiteral("A%1").arg(delivery.abandonAll().size()));
            } else if (op == QLatin1Char('s') || op == QLatin1Char('r')) {
                const QString connected = op == QLatin1Char('s') ? QStringLiteral("other") : QStringLiteral("qor");
                got.append(QStringLiteral("A%1").arg(delivery.abandonOthers(connected).size()));
            }
        }
        QCOMPARE(got.join(QLatin1Char(' ')), outcomes);
        QCOMPARE(delivery.openChains(), open);
    }
};

QTEST_GUILESS_MAIN(TestQorDelivery)
#include "tst_qordelivery.moc"
