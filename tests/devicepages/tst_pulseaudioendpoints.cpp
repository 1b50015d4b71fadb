#include <QTest>
class TestPulseAudioEndpoints : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestPulseAudioEndpoints)
#include "tst_pulseaudioendpoints.moc"
