#include "platform/audioendpoint/DesktopSoundSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Platform::DesktopSoundSettings;

// Puts fake sound-settings programs on an otherwise empty PATH; each writes its
// arguments to a file named after itself.
class TestDesktopSoundSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsFirstInstalledProgram_data();
    void startsFirstInstalledProgram();
    void nothingInstalled();

private:
    void install(const QString &program);

    QTemporaryDir m_bin;
    QByteArray m_savedPath;
};

void TestDesktopSoundSettings::init()
{
    QVERIFY(m_bin.isValid());
    m_savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_bin.path()));
}

void TestDesktopSoundSettings::cleanup()
{
    qputenv("PATH", m_savedPath);
    for (const QString &name : QDir(m_bin.path()).entryList(QDir::Files))
        QFile::remove(m_bin.filePath(name));
}

void TestDesktopSoundSettings::install(const QString &program)
{
    QFile script(m_bin.filePath(program));
    QVERIFY(script.open(QIODevice::WriteOnly));
    // Shell built-ins only: PATH holds nothing else.
    script.write("#!/bin/sh\necho \"$@\" > \"$0.ran\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestDesktopSoundSettings::startsFirstInstalledProgram_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("started");
    QTest::addColumn<QString>("arguments");
    QTest::newRow("the mixer first") << QStringList{"gnome-control-center", "pavucontrol"} << "pavucontrol"
                                     << "--tab=3";
    QTest::newRow("GNOME without the mixer") << QStringList{"systemsettings", "gnome-control-center"}
                                             << "gnome-control-center" << "sound";
    QTest::newRow("KDE alone") << QStringList{"systemsettings"} << "systemsettings" << "kcm_pulseaudio";
}

void TestDesktopSoundSettings::startsFirstInstalledProgram()
{
    QFETCH(QStringList, installed);
    QFETCH(QString, started);
    QFETCH(QString, arguments);
    for (const QString &program : installed)
        install(program);

    const DesktopSoundSettings settings;
    QCOMPARE(settings.resolve().program, m_bin.filePath(started));
    QVERIFY(settings.open());

    const QString ranFile = m_bin.filePath(started + ".ran");
    const auto written = [&ranFile] {
        QFile ran(ranFile);
        return ran.open(QIODevice::ReadOnly) ? QString::fromUtf8(ran.readAll()).trimmed() : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(written(), arguments, 10000);
    for (const QString &program : installed) {
        if (program != started)
            QVERIFY(!QFile::exists(m_bin.filePath(program + ".ran")));
    }
}

void TestDesktopSoundSettings::nothingInstalled()
{
    const DesktopSoundSettings settings;
    QVERIFY(settings.resolve().program.isEmpty());
    QVERIFY(!settings.open());
}

QTEST_GUILESS_MAIN(TestDesktopSoundSettings)
#include "tst_desktopsoundsettings.moc"
