// The settings store: a change the file refuses reads back for the rest of the
// session (a removal as absent), goes to the file with the next save that
// succeeds, and belongs to its own file only.
#include "language/SettingsStore.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"
#include "tests/support/testenv/TestHome.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
const QString kKey = QStringLiteral("ui/locale");

bool write(const QString &key, const QVariant &value)
{
    QSettings settings;
    SettingsStore::setValue(settings, key, value);
    return SettingsStore::commit(settings);
}

bool removeKey(const QString &key)
{
    QSettings settings;
    SettingsStore::remove(settings, key);
    return SettingsStore::commit(settings);
}

// What the file itself holds: Qt shares its cache between every QSettings on
// one file name, so a copy is read.
QVariant onDisk(const QString &key)
{
    QTemporaryDir copyFolder;
    const QString copy = copyFolder.filePath(QStringLiteral("copy.conf"));
    if (!QFile::copy(QSettings().fileName(), copy))
        return QVariant();
    return QSettings(copy, QSettings::IniFormat).value(key);
}
} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void changeReadsBackForTheSession_data();
    void changeReadsBackForTheSession();
    void heldChangesGoWithTheNextSave();
    void changesBelongToTheirFile();

private:
    TestHome m_home{QStringLiteral("VelkoraStoreTest"), TestHome::Settings::Clear};
};

void TestSettingsStore::init()
{
    m_home.clearSettings();
}

void TestSettingsStore::changeReadsBackForTheSession_data()
{
    QTest::addColumn<SettingsStoreKind>("store");
    QTest::addColumn<bool>("removal");
    for (const auto &[store, name] : settingsStoreKinds()) {
        QTest::addRow("set, %s", name) << store << false;
        QTest::addRow("removed, %s", name) << store << true;
    }
}

void TestSettingsStore::changeReadsBackForTheSession()
{
    QFETCH(SettingsStoreKind, store);
    QFETCH(bool, removal);
    QVERIFY(write(kKey, "zh_CN"));
    QVERIFY(write("Device/pid", "1")); // the file holds something besides
    const std::unique_ptr<ReadOnlySettingsFile> locked = lockSettingsStore(store);
    if (locked)
        QVERIFY2(locked->isValid(), qPrintable(locked->path()));

    QCOMPARE(write(kKey, "en_US"), !locked);
    // Without a file there is nothing to remove from it: that stores at once.
    if (removal)
        QCOMPARE(removeKey(kKey), store != SettingsStoreKind::ReadOnlyFile);
    // Every reader after the last QSettings on the file is gone.
    QCOMPARE(SettingsStore::contains(kKey), !removal);
    QCOMPARE(SettingsStore::value(kKey, "none").toString(), removal ? QStringLiteral("none") : QStringLiteral("en_US"));
    const QSettings reader;
    QCOMPARE(SettingsStore::contains(reader, kKey), !removal);
    if (locked) {
        QCOMPARE(locked->fileExists(), store == SettingsStoreKind::ReadOnlyFile);
        if (locked->fileExists())
            QCOMPARE(onDisk(kKey).toString(), QStringLiteral("zh_CN"));
    } else {
        QCOMPARE(onDisk(kKey).isValid(), !removal);
    }
}

void TestSettingsStore::heldChangesGoWithTheNextSave()
{
    QVERIFY(write("gone", "old"));
    {
        ReadOnlySettingsFile locked(ReadOnlySettingsFile::Layout::NoFileInReadOnlyFolder);
        QVERIFY2(locked.isValid(), qPrintable(locked.path()));
        QVERIFY(!write(kKey, "en_US"));
        QVERIFY(!removeKey("gone"));
    }
    // The folder takes files again: the next save of anything stores them too.
    QVERIFY(write("Device/pid", "2"));
    QCOMPARE(onDisk(kKey).toString(), QStringLiteral("en_US"));
    QCOMPARE(onDisk("Device/pid").toString(), QStringLiteral("2"));
    QVERIFY(!onDisk("gone").isValid());
    // Nothing is held any more: the file answers.
    {
        QSettings direct;
        direct.setValue(kKey, "zh_CN");
    }
    QCOMPARE(SettingsStore::value(kKey).toString(), QStringLiteral("zh_CN"));
}

void TestSettingsStore::changesBelongToTheirFile()
{
    QTemporaryDir other;
    QVERIFY(other.isValid());
    QSettings elsewhere(other.filePath("other.ini"), QSettings::IniFormat);
    SettingsStore::setValue(elsewhere, kKey, "en_US");
    {
        ReadOnlySettingsFile locked(ReadOnlySettingsFile::Layout::NoFileInReadOnlyFolder);
        QVERIFY2(locked.isValid(), qPrintable(locked.path()));
        QVERIFY(!write(kKey, "zh_CN"));
    }
    QCOMPARE(SettingsStore::value(kKey).toString(), QStringLiteral("zh_CN"));
    QCOMPARE(SettingsStore::value(elsewhere, kKey).toString(), QStringLiteral("en_US"));
    QVERIFY(SettingsStore::commit(elsewhere));
    QCOMPARE(QSettings(other.filePath("other.ini"), QSettings::IniFormat).value(kKey).toString(),
             QStringLiteral("en_US"));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
