#include "platform/audioendpoint/PulseRecords.h"

#include <QTest>

#include <pulse/proplist.h>

using namespace Platform;

// Profiles of a card as (sinks, sources) pairs.
using Profiles = QList<QPair<int, int>>;

class TestPulseRecords : public QObject
{
    Q_OBJECT
private slots:
    void switchedOffCard_data();
    void switchedOffCard();
    void cardDescription();
    void masterScalar_data();
    void masterScalar();
    void argumentNamesSource_data();
    void argumentNamesSource();
    void deviceNames_data();
    void deviceNames();
    void cardIds();
};

void TestPulseRecords::switchedOffCard_data()
{
    QTest::addColumn<Profiles>("profiles");
    QTest::addColumn<int>("active"); // index into profiles, -1 for none
    QTest::addColumn<bool>("playbackOff");
    QTest::addColumn<bool>("recordingOff");

    QTest::newRow("headset profile on") << Profiles{{1, 1}, {0, 0}} << 0 << false << false;
    QTest::newRow("profile off") << Profiles{{1, 1}, {0, 0}} << 1 << true << true;
    QTest::newRow("output-only profile") << Profiles{{1, 1}, {1, 0}, {0, 0}} << 1 << false << true;
    QTest::newRow("no active profile") << Profiles{{1, 1}} << -1 << true << true;
    QTest::newRow("a card that never records") << Profiles{{1, 0}, {0, 0}} << 1 << true << false;
    QTest::newRow("no profiles at all") << Profiles{} << -1 << false << false;
}

void TestPulseRecords::switchedOffCard()
{
    QFETCH(Profiles, profiles);
    QFETCH(int, active);
    QFETCH(bool, playbackOff);
    QFETCH(bool, recordingOff);

    std::vector<pa_card_profile_info2> storage(profiles.size());
    std::vector<pa_card_profile_info2 *> pointers;
    for (int i = 0; i < profiles.size(); ++i) {
        storage[i] = pa_card_profile_info2{};
        storage[i].n_sinks = uint32_t(profiles[i].first);
        storage[i].n_sources = uint32_t(profiles[i].second);
        pointers.push_back(&storage[i]);
    }
    pointers.push_back(nullptr);
    pa_card_info info{};
    info.name = "alsa_card.usb-velkora";
    info.n_profiles = uint32_t(profiles.size());
    info.profiles2 = pointers.data();
    info.active_profile2 = active >= 0 ? &storage[active] : nullptr;

    const PulseCardRecord card = PulseCardRecord::fromCard(info);
    QCOMPARE(card.playbackSwitchedOff, playbackOff);
    QCOMPARE(card.recordingSwitchedOff, recordingOff);
}

void TestPulseRecords::cardDescription()
{
    pa_card_info info{};
    info.name = "alsa_card.usb-velkora";
    QCOMPARE(PulseCardRecord::fromCard(info).description, QStringLiteral("alsa_card.usb-velkora"));

    pa_proplist *properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_DEVICE_DESCRIPTION, "VELKORA QOR 耳机");
    info.proplist = properties;
    QCOMPARE(PulseCardRecord::fromCard(info).description, QStringLiteral("VELKORA QOR 耳机"));
    pa_proplist_free(properties);
}

void TestPulseRecords::masterScalar_data()
{
    QTest::addColumn<QList<uint>>("channels");
    QTest::addColumn<float>("scalar");
    QTest::newRow("the loudest channel counts") << QList<uint>{PA_VOLUME_NORM / 4, PA_VOLUME_NORM / 2} << 0.5f;
    QTest::newRow("over-amplified reads as full") << QList<uint>{PA_VOLUME_NORM * 3 / 2} << 1.0f;
    QTest::newRow("silent") << QList<uint>{PA_VOLUME_MUTED, PA_VOLUME_MUTED} << 0.0f;
    QTest::newRow("no channels") << QList<uint>{} << 0.0f;
}

void TestPulseRecords::masterScalar()
{
    QFETCH(QList<uint>, channels);
    QFETCH(float, scalar);
    PulseDeviceRecord record;
    record.volume.channels = uint8_t(channels.size());
    for (int i = 0; i < channels.size(); ++i)
        record.volume.values[i] = channels[i];
    QCOMPARE(record.masterScalar(), scalar);
}

void TestPulseRecords::argumentNamesSource_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<bool>("names");
    QTest::newRow("plain") << QByteArray("source=mic source_dont_move=true") << true;
    QTest::newRow("after other keys") << QByteArray("sink=out  latency_msec=20 source=mic") << true;
    QTest::newRow("double quoted") << QByteArray("source=\"mic\"") << true;
    QTest::newRow("single quoted") << QByteArray("source='mic'") << true;
    QTest::newRow("a longer name") << QByteArray("source=mic2") << false;
    QTest::newRow("another key ending in source") << QByteArray("monitor_source=mic") << false;
    QTest::newRow("only the sink") << QByteArray("sink=mic") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestPulseRecords::argumentNamesSource()
{
    QFETCH(QByteArray, argument);
    QFETCH(bool, names);
    QCOMPARE(PulseNames::argumentNamesSource(argument, "mic"), names);
}

void TestPulseRecords::deviceNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("valid");
    QTest::newRow("alsa source") << QByteArray("alsa_input.usb-VELKORA_QOR-00.mono-fallback") << true;
    QTest::newRow("blank would start another argument") << QByteArray("mic sink=evil") << false;
    QTest::newRow("quote") << QByteArray("mic\"") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestPulseRecords::deviceNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, valid);
    QCOMPARE(PulseNames::isValidDeviceName(name), valid);
}

void TestPulseRecords::cardIds()
{
    const QString id = PulseNames::cardEndpointId("alsa_card.usb-velkora");
    QCOMPARE(PulseNames::cardNameFromId(id), std::optional<QByteArray>("alsa_card.usb-velkora"));
    QCOMPARE(PulseNames::cardNameFromId(QStringLiteral("alsa_output.usb-velkora")), std::nullopt);
}

QTEST_GUILESS_MAIN(TestPulseRecords)
#include "tst_pulserecords.moc"
