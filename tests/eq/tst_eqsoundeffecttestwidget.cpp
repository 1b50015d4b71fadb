// The sound test control: track presses, icons, the output that follows the
// headset, what stops the sound, and the help button of the custom page.
#include "widgets/CustomClickableLabel.h"
#include "eq/EQSoundEffectHelpCarousel.h"
#include "eq/EQSoundEffectTestWidget.h"
#include "eq/QtSoundTestAudio.h"
#include "tests/eq/FakeSoundTestAudio.h"

#include <QApplication>
#include <QAudioOutput>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <memory>

Q_DECLARE_METATYPE(SoundTestOutput)

using Icon = EQSoundEffectTestWidget::ShownIcon;

namespace {

const SoundTestOutput speakers{"spk", QStringLiteral("Built-in Audio Analog Stereo")};
const SoundTestOutput wiredHeadset{"qor", QStringLiteral("Velkora QOR USB Audio")};
const SoundTestOutput dongle{"dongle", QStringLiteral("velkora zarvex 2.4G")};
const SoundTestOutput named{"named", QStringLiteral("Storm Rider Headset")};
// In the system's order: the named headset before the brand's receiver.
const QList<SoundTestOutput> allOutputs{speakers, wiredHeadset, named, dongle};

QList<int> tracks(const QSignalSpy &spy)
{
    QList<int> out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toInt());
    return out;
}

} // namespace

class TestEqSoundEffectTestWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void secondPressStops();
    void anotherTrackTakesOver();
    void clipsAreWaveResources_data();
    void clipsAreWaveResources();
    void hoverAndPlayingIcons();
    void outputChoice_data();
    void outputChoice();
    void outputFollowsState();
    void deviceChangeStopsOnlyForAnotherDevice();
    void hidingStops();
    void playerErrorStops();
    void helpOnlyOnCustomPage();
    void helpReportsAfterClosing();
    void titleFollowsLanguage();
    void qtAudioConstructsWithoutSoundCard();

private:
    EQSoundEffectTestWidget *makeWidget(int pageKind);

    std::unique_ptr<QWidget> m_host;
    FakeSoundTestAudio *m_audio = nullptr;
};

void TestEqSoundEffectTestWidget::init()
{
    m_host = std::make_unique<QWidget>();
    m_audio = nullptr;
}

void TestEqSoundEffectTestWidget::cleanup()
{
    m_host.reset();
}

EQSoundEffectTestWidget *TestEqSoundEffectTestWidget::makeWidget(int pageKind)
{
    auto audio = std::make_unique<FakeSoundTestAudio>();
    m_audio = audio.get();
    m_audio->setOutputs(allOutputs, speakers);
    return new EQSoundEffectTestWidget(m_host.get(), pageKind, std::move(audio));
}

void TestEqSoundEffectTestWidget::secondPressStops()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::OfficialPage);
    QSignalSpy clicked(widget, &EQSoundEffectTestWidget::testTrackClicked);

    QTest::mouseClick(widget->trackButton(0), Qt::LeftButton);
    QCOMPARE(widget->currentTrack(), int(EQSoundEffectTestWidget::MusicTrack));
    QVERIFY(!m_audio->isStopped());
    QCOMPARE(widget->shownIcon(0), Icon::Playing);

    QTest::mouseClick(widget->trackButton(0), Qt::LeftButton);
    QCOMPARE(tracks(clicked), (QList<int>{1, 1}));
    QCOMPARE(widget->currentTrack(), int(EQSoundEffectTestWidget::NoTrack));
    QVERIFY(m_audio->isStopped());
    QCOMPARE(m_audio->playCalls, 1);
    QCOMPARE(widget->shownIcon(0), Icon::Normal);
}

void TestEqSoundEffectTestWidget::anotherTrackTakesOver()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::OfficialPage);
    QSignalSpy clicked(widget, &EQSoundEffectTestWidget::testTrackClicked);
    widget->playTrack(EQSoundEffectTestWidget::MusicTrack);
    widget->playTrack(EQSoundEffectTestWidget::GameTrack);

    QCOMPARE(tracks(clicked), (QList<int>{1, 2}));
    QCOMPARE(widget->currentTrack(), int(EQSoundEffectTestWidget::GameTrack));
    QCOMPARE(m_audio->playCalls, 2);
    QVERIFY(!m_audio->isStopped());
    QCOMPARE(m_audio->lastSource, QUrl::fromLocalFile("eqtest_game.wav"));
    QCOMPARE(widget->shownIcon(0), Icon::Normal);
    QCOMPARE(widget->shownIcon(1), Icon::Playing);
    QCOMPARE(widget->shownIcon(2), Icon::Normal);
}

void TestEqSoundEffectTestWidget::clipsAreWaveResources_data()
{
    QTest::addColumn<int>("track");
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("source");
    QTest::newRow("music") << 1 << ":/audio/music.wav" << "eqtest_music.wav";
    QTest::newRow("game") << 2 << ":/audio/game.wav" << "eqtest_game.wav";
    QTest::newRow("movie") << 3 << ":/audio/movie.wav" << "eqtest_movie.wav";
}

void TestEqSoundEffectTestWidget::clipsAreWaveResources()
{
    QFETCH(int, track);
    QFETCH(QString, clip);
    QFETCH(QString, source);
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::CustomPage);
    widget->playTrack(track);
    QCOMPARE(m_audio->lastClipName, clip);
    QCOMPARE(m_audio->lastSource, QUrl::fromLocalFile(source));
    QVERIFY(m_audio->lastClipHeader.startsWith("RIFF"));
    QCOMPARE(m_audio->lastClipHeader.mid(8, 4), QByteArray("WAVE"));
    QVERIFY(QFile(clip).size() < 1024 * 1024);
}

void TestEqSoundEffectTestWidget::hoverAndPlayingIcons()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::OfficialPage);
    emit widget->trackButton(2)->hovered(true);
    QCOMPARE(widget->shownIcon(2), Icon::Hover);
    widget->playTrack(EQSoundEffectTestWidget::MovieTrack);
    QCOMPARE(widget->shownIcon(2), Icon::Playing);
    widget->playTrack(EQSoundEffectTestWidget::MovieTrack);
    QCOMPARE(widget->shownIcon(2), Icon::Hover); // still under the pointer
    emit widget->trackButton(2)->hovered(false);
    QCOMPARE(widget->shownIcon(2), Icon::Normal);
    QVERIFY(!widget->trackButton(2)->pixmap().isNull());
}

void TestEqSoundEffectTestWidget::outputChoice_data()
{
    QTest::addColumn<QList<SoundTestOutput>>("outputs");
    QTest::addColumn<bool>("wired");
    QTest::addColumn<bool>("wireless");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("expected");

    const QList<SoundTestOutput> &all = allOutputs;
    QTest::newRow("no headset: default, whatever the name") << all << false << false << "Storm" << QByteArray("spk");
    QTest::newRow("wired: brand and QOR") << all << true << false << "" << QByteArray("qor");
    QTest::newRow("wired wins over wireless") << all << true << true << "Storm" << QByteArray("qor");
    QTest::newRow("wireless by the headset's name") << all << false << true << " storm rider " << QByteArray("named");
    QTest::newRow("wireless: the receiver listed first matches first")
        << QList<SoundTestOutput>{speakers, dongle, named} << false << true << "Storm Rider" << QByteArray("dongle");
    QTest::newRow("wireless without a name: brand and receiver, any case")
        << all << false << true << "" << QByteArray("dongle");
    QTest::newRow("wireless: an output that also names QOR is not the dongle")
        << QList<SoundTestOutput>{speakers, {"both", "VELKORA ZARVEX QOR"}} << false << true << ""
        << QByteArray("spk");
    QTest::newRow("no match: default") << QList<SoundTestOutput>{speakers} << true << false << "" << QByteArray("spk");
    QTest::newRow("first match in the system's order")
        << QList<SoundTestOutput>{speakers, {"q2", "VELKORA QOR #2"}, wiredHeadset} << true << false << ""
        << QByteArray("q2");
}

void TestEqSoundEffectTestWidget::outputChoice()
{
    QFETCH(QList<SoundTestOutput>, outputs);
    QFETCH(bool, wired);
    QFETCH(bool, wireless);
    QFETCH(QString, name);
    QFETCH(QByteArray, expected);
    QCOMPARE(EQSoundEffectTestWidget::chooseOutput(outputs, speakers, wired, wireless, name.trimmed()).id, expected);
}

void TestEqSoundEffectTestWidget::outputFollowsState()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::OfficialPage);
    QCOMPARE(m_audio->currentOutputId(), QByteArray("spk"));
    widget->setState(false, true, QStringLiteral("  Storm Rider  "));
    QCOMPARE(widget->wirelessDeviceName(), QStringLiteral("Storm Rider"));
    QCOMPARE(m_audio->currentOutputId(), QByteArray("named"));
    widget->setState(false, false, QStringLiteral("Storm Rider"));
    QCOMPARE(m_audio->currentOutputId(), QByteArray("spk"));

    // No device at all: nothing to switch to.
    m_audio->setOutputs({}, SoundTestOutput{});
    widget->setState(true, false, QString());
    QCOMPARE(m_audio->currentOutputId(), QByteArray("spk"));
}

void TestEqSoundEffectTestWidget::deviceChangeStopsOnlyForAnotherDevice()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::OfficialPage);
    widget->setState(true, false, QString());
    widget->playTrack(EQSoundEffectTestWidget::MusicTrack);
    const int changes = m_audio->outputChanges.size();

    // The list changed, the headset's output did not.
    m_audio->setOutputs({wiredHeadset, speakers}, speakers);
    QCOMPARE(widget->currentTrack(), int(EQSoundEffectTestWidget::MusicTrack));
    QVERIFY(!m_audio->isStopped());
    QCOMPARE(m_audio->outputChanges.size(), changes);

    // The headset is gone: the default output takes over and the sound stops.
    m_audio->setOutputs({speakers}, speakers);
    QCOMPARE(widget->currentTrack(), int(EQSoundEffectTestWidget::NoTrack));
    QVERIFY(m_audio->isStopped());
    QCOMPARE(m_audio->currentOutputId(), QByteArray("spk"));
    QCOMPARE(widget->shownIcon(0), Icon::Normal);
}

void TestEqSoundEffectTestWidget::hidingStops()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::OfficialPage);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    widget->playTrack(EQSoundEffectTestWidget::GameTrack);
    QVERIFY(!m_audio->isStopped());
    m_host->hide(); // the page that holds the widget goes away
    QVERIFY(m_audio->isStopped());
    QCOMPARE(widget->currentTrack(), int(EQSoundEffectTestWidget::NoTrack));
}

void TestEqSoundEffectTestWidget::playerErrorStops()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::OfficialPage);
    widget->playTrack(EQSoundEffectTestWidget::MovieTrack);
    m_audio->failPlayback(QStringLiteral("no decoder"));
    QVERIFY(m_audio->isStopped());
    QCOMPARE(widget->currentTrack(), int(EQSoundEffectTestWidget::NoTrack));
    QCOMPARE(widget->shownIcon(2), Icon::Normal);
    // A new press starts again.
    widget->playTrack(EQSoundEffectTestWidget::MovieTrack);
    QCOMPARE(m_audio->playCalls, 2);
}

void TestEqSoundEffectTestWidget::helpOnlyOnCustomPage()
{
    for (int kind : {0, 1, 2}) {
        EQSoundEffectTestWidget *widget = makeWidget(kind);
        QVERIFY(widget->trackButton(0) && widget->trackButton(1) && widget->trackButton(2));
        QCOMPARE(widget->trackButton(3) != nullptr, kind == EQSoundEffectTestWidget::CustomPage);
        QCOMPARE(widget->findChildren<CustomClickableLabel *>().size(), kind == 2 ? 4 : 3);
    }
}

void TestEqSoundEffectTestWidget::helpReportsAfterClosing()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::CustomPage);
    m_host->show();
    QSignalSpy clicked(widget, &EQSoundEffectTestWidget::testTrackClicked);
    bool sawHelp = false;
    int reportsWhileOpen = -1;
    QTimer::singleShot(0, this, [&] {
        auto *help = qobject_cast<EQSoundEffectHelpCarousel *>(QApplication::activeModalWidget());
        sawHelp = help != nullptr;
        reportsWhileOpen = clicked.size();
        if (help)
            help->reject();
    });
    QTest::mouseClick(widget->trackButton(3), Qt::LeftButton);
    QVERIFY(sawHelp);
    QCOMPARE(reportsWhileOpen, 0);
    QCOMPARE(tracks(clicked), QList<int>{4});
    QVERIFY(m_host->findChildren<EQSoundEffectHelpCarousel *>().isEmpty());
    QCOMPARE(m_audio->playCalls, 0);
}

void TestEqSoundEffectTestWidget::titleFollowsLanguage()
{
    EQSoundEffectTestWidget *widget = makeWidget(EQSoundEffectTestWidget::CloudSharingPage);
    QCOMPARE(widget->titleLabel()->text(), QStringLiteral("音效测试"));
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QCoreApplication::installTranslator(&english);
    QTRY_COMPARE(widget->titleLabel()->text(), QStringLiteral("Sound Test"));
    QCoreApplication::removeTranslator(&english);
    QTRY_COMPARE(widget->titleLabel()->text(), QStringLiteral("音效测试"));
}

void TestEqSoundEffectTestWidget::qtAudioConstructsWithoutSoundCard()
{
    // The real player: set up at the first press and asked to play; whether a
    // device exists is the machine's business.
    EQSoundEffectTestWidget widget(m_host.get(), EQSoundEffectTestWidget::OfficialPage);
    QVERIFY(!widget.audio());
    widget.setState(true, false, QString());
    QVERIFY(!widget.audio());
    widget.playTrack(EQSoundEffectTestWidget::MusicTrack);
    auto *audio = qobject_cast<QtSoundTestAudio *>(widget.audio());
    QVERIFY(audio);
    QCOMPARE(audio->player()->loops(), int(QMediaPlayer::Infinite));
    QCOMPARE(audio->audioOutput()->volume(), 1.0f);
    QCOMPARE(audio->player()->source(), QUrl::fromLocalFile("eqtest_music.wav"));
}

QTEST_MAIN(TestEqSoundEffectTestWidget)
#include "tst_eqsoundeffecttestwidget.moc"
