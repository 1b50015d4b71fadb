// The active EQ selection and the downlink snapshot in the settings store.
#include "eq/EQActiveProfileCoordinator.h"
#include "tests/eq/EqTestEnvironment.h"
#include "tests/support/testenv/MessageLog.h"
#include "tests/support/testenv/ReadOnlySettingsFile.h"

#include <memory>

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using Coordinator = EQActiveProfileCoordinator;

namespace {
enum class Write { UserPick, UserClear, ProgramPick, SnapshotSave, SnapshotClear };
}
Q_DECLARE_METATYPE(Write)

class TestEqActiveProfileCoordinator : public QObject
{
    Q_OBJECT

private slots:
    void init() { EqTestEnvironment::clearSettings(); }

    void startsFromStoredPlainSelection_data();
    void startsFromStoredPlainSelection();
    void sameSelectionIsNoOp();
    void selectionIsStoredTrimmedInCurrentGroup();
    void incompleteSelectionRemovesGroupKeys_data();
    void incompleteSelectionRemovesGroupKeys();
    void clearWhenAlreadyClearEmitsNothing();
    void qorModeSwitchesKeyGroup();
    void changingSelectionKeepsSnapshot();
    void loadSnapshotRequiresExactOwner_data();
    void loadSnapshotRequiresExactOwner();
    void incompleteSnapshotIsNotSaved_data();
    void incompleteSnapshotIsNotSaved();
    void clearSnapshotTouchesOneGroup();
    void refusedWritesAreToldForTheUsersSelection_data();
    void refusedWritesAreToldForTheUsersSelection();

private:
    EqTestEnvironment m_env;
};

void TestEqActiveProfileCoordinator::startsFromStoredPlainSelection_data()
{
    QTest::addColumn<QVariant>("storedSource");
    QTest::addColumn<QString>("storedId");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("id");

    QTest::newRow("custom") << QVariant(4) << " 3 " << int(Coordinator::Custom) << "3";
    QTest::newRow("source as text") << QVariant(QStringLiteral("2")) << "g7" << int(Coordinator::OfficialGame) << "g7";
    QTest::newRow("source 7") << QVariant(7) << "x" << int(Coordinator::None) << "";
    QTest::newRow("negative source") << QVariant(-1) << "x" << int(Coordinator::None) << "";
    QTest::newRow("source not a number") << QVariant(QStringLiteral("abc")) << "x" << int(Coordinator::None) << "";
    QTest::newRow("blank id") << QVariant(1) << "   " << int(Coordinator::None) << "";
    QTest::newRow("source none with id") << QVariant(0) << "5" << int(Coordinator::None) << "";
}

void TestEqActiveProfileCoordinator::startsFromStoredPlainSelection()
{
    QFETCH(QVariant, storedSource);
    QFETCH(QString, storedId);
    QFETCH(int, source);
    QFETCH(QString, id);
    {
        QSettings s;
        s.setValue("eq/activeSelection/source", storedSource);
        s.setValue("eq/activeSelection/id", storedId);
        // The Qor group is not read at start.
        s.setValue("eq/activeSelection/qor/source", 3);
        s.setValue("eq/activeSelection/qor/id", "cloud9");
    }
    Coordinator c;
    QCOMPARE(int(c.activeSource()), source);
    QCOMPARE(c.activeId(), id);
    QVERIFY(!c.isQorMode());
}

void TestEqActiveProfileCoordinator::sameSelectionIsNoOp()
{
    Coordinator c;
    c.setActiveSelection(Coordinator::Custom, "3");
    QSettings().setValue("eq/activeSelection/id", "marker");
    QSignalSpy spy(&c, &Coordinator::activeSelectionChanged);

    c.setActiveSelection(Coordinator::Custom, "  3\t");
    QCOMPARE(spy.count(), 0);
    QCOMPARE(QSettings().value("eq/activeSelection/id").toString(), QStringLiteral("marker"));

    // Case matters for ids.
    c.setActiveSelection(Coordinator::CloudDownload, "Ab");
    spy.clear();
    c.setActiveSelection(Coordinator::CloudDownload, "ab");
    QCOMPARE(spy.count(), 1);
}

void TestEqActiveProfileCoordinator::selectionIsStoredTrimmedInCurrentGroup()
{
    Coordinator c;
    QSignalSpy spy(&c, &Coordinator::activeSelectionChanged);
    c.setActiveSelection(Coordinator::OfficialGame, "  12 ");
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<Coordinator::Source>(), Coordinator::OfficialGame);
    QCOMPARE(spy.at(0).at(1).toString(), QStringLiteral("12"));

    QSettings s;
    QCOMPARE(s.value("eq/activeSelection/source").toInt(), 2);
    QCOMPARE(s.value("eq/activeSelection/id").toString(), QStringLiteral("12"));
    QVERIFY(!s.contains("eq/activeSelection/qor/source"));

    c.setQorMode(true);
    c.setActiveSelection(Coordinator::Custom, "1");
    QCOMPARE(s.value("eq/activeSelection/qor/source").toInt(), 4);
    QCOMPARE(s.value("eq/activeSelection/qor/id").toString(), QStringLiteral("1"));
    QCOMPARE(s.value("eq/activeSelection/id").toString(), QStringLiteral("12"));

    // A new coordinator comes back with the plain selection.
    Coordinator again;
    QCOMPARE(again.activeSource(), Coordinator::OfficialGame);
    QCOMPARE(again.activeId(), QStringLiteral("12"));
}

void TestEqActiveProfileCoordinator::incompleteSelectionRemovesGroupKeys_data()
{
    QTest::addColumn<bool>("qor");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("id");
    QTest::newRow("clear") << false << int(Coordinator::None) << "";
    QTest::newRow("basic with blank id") << false << int(Coordinator::OfficialBasic) << "   ";
    QTest::newRow("none with id") << false << int(Coordinator::None) << "5";
    QTest::newRow("qor clear") << true << int(Coordinator::None) << "";
}

void TestEqActiveProfileCoordinator::incompleteSelectionRemovesGroupKeys()
{
    QFETCH(bool, qor);
    QFETCH(int, source);
    QFETCH(QString, id);
    const QString group = qor ? "qor/" : "";
    const QString other = qor ? "" : "qor/";

    Coordinator c;
    c.setQorMode(qor);
    c.setActiveSelection(Coordinator::Custom, "2");
    c.saveDownlinkSnapshot(qor, "DRQ1abc", Coordinator::Custom, "2");
    c.saveDownlinkSnapshot(!qor, "other", Coordinator::Custom, "2");
    QSettings().setValue("eq/activeSelection/" + other + "source", 1);

    QSignalSpy spy(&c, &Coordinator::activeSelectionChanged);
    if (source == Coordinator::None && id.isEmpty())
        c.clearActiveSelection();
    else
        c.setActiveSelection(Coordinator::Source(source), id);

    QCOMPARE(spy.count(), 1);
    QCOMPARE(int(spy.at(0).at(0).value<Coordinator::Source>()), source);
    QCOMPARE(spy.at(0).at(1).toString(), id.trimmed());

    QSettings s;
    for (const char *key : {"source", "id"})
        QVERIFY(!s.contains("eq/activeSelection/" + group + key));
    for (const char *key : {"source", "id", "tlv"})
        QVERIFY(!s.contains("eq/downlinkSnapshot/" + group + key));
    // The other device family keeps its keys.
    QVERIFY(s.contains("eq/activeSelection/" + other + "source"));
    QCOMPARE(s.value("eq/downlinkSnapshot/" + other + "tlv").toByteArray(), QByteArray("other"));

    spy.clear();
    c.reemitActiveSelection();
    QCOMPARE(spy.count(), 0);
}

void TestEqActiveProfileCoordinator::clearWhenAlreadyClearEmitsNothing()
{
    Coordinator c;
    QSignalSpy spy(&c, &Coordinator::activeSelectionChanged);
    c.clearActiveSelection();
    QCOMPARE(spy.count(), 0);

    c.setActiveSelection(Coordinator::CloudDownload, "77");
    spy.clear();
    c.reemitActiveSelection();
    c.reemitActiveSelection();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(1).toString(), QStringLiteral("77"));
}

void TestEqActiveProfileCoordinator::qorModeSwitchesKeyGroup()
{
    Coordinator c;
    c.setActiveSelection(Coordinator::OfficialBasic, "b1");
    QSignalSpy spy(&c, &Coordinator::activeSelectionChanged);

    c.setQorMode(false); // unchanged: nothing
    QCOMPARE(spy.count(), 0);

    c.setQorMode(true);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<Coordinator::Source>(), Coordinator::None);
    QCOMPARE(spy.at(0).at(1).toString(), QString());
    QCOMPARE(c.activeSource(), Coordinator::None);

    c.setQorMode(false);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).value<Coordinator::Source>(), Coordinator::OfficialBasic);
    QCOMPARE(spy.at(1).at(1).toString(), QStringLiteral("b1"));

    // Announced even when the new group's selection equals the old one.
    QSettings().setValue("eq/activeSelection/qor/source", 1);
    QSettings().setValue("eq/activeSelection/qor/id", " b1 ");
    c.setQorMode(true);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(2).at(1).toString(), QStringLiteral("b1"));
}

void TestEqActiveProfileCoordinator::changingSelectionKeepsSnapshot()
{
    Coordinator c;
    c.setActiveSelection(Coordinator::Custom, "3");
    c.saveDownlinkSnapshot(false, "bytes", Coordinator::Custom, " 3 ");
    c.setActiveSelection(Coordinator::OfficialBasic, "1");

    QByteArray out;
    QVERIFY(c.loadDownlinkSnapshot(false, Coordinator::Custom, "3", &out));
    QCOMPARE(out, QByteArray("bytes"));
    QVERIFY(!c.loadDownlinkSnapshot(false, Coordinator::OfficialBasic, "1", &out));
    QVERIFY(c.loadDownlinkSnapshot(false, Coordinator::Custom, "3", nullptr));
}

void TestEqActiveProfileCoordinator::loadSnapshotRequiresExactOwner_data()
{
    QTest::addColumn<bool>("saveQor");
    QTest::addColumn<int>("savedSource");
    QTest::addColumn<QString>("savedId");
    QTest::addColumn<QByteArray>("savedBytes");
    QTest::addColumn<bool>("found");

    const QByteArray bytes("DRQ1\x01\x00tlv", 9);
    QTest::newRow("same") << false << int(Coordinator::Custom) << "3" << bytes << true;
    QTest::newRow("other id") << false << int(Coordinator::Custom) << "4" << bytes << false;
    QTest::newRow("other source") << false << int(Coordinator::OfficialBasic) << "3" << bytes << false;
    QTest::newRow("no bytes") << false << int(Coordinator::Custom) << "3" << QByteArray() << false;
    QTest::newRow("other group") << true << int(Coordinator::Custom) << "3" << bytes << false;
}

void TestEqActiveProfileCoordinator::loadSnapshotRequiresExactOwner()
{
    QFETCH(bool, saveQor);
    QFETCH(int, savedSource);
    QFETCH(QString, savedId);
    QFETCH(QByteArray, savedBytes);
    QFETCH(bool, found);
    {
        // Written directly, so that a snapshot without bytes can be stored.
        const QString group = saveQor ? "eq/downlinkSnapshot/qor/" : "eq/downlinkSnapshot/";
        QSettings s;
        s.setValue(group + "source", savedSource);
        s.setValue(group + "id", savedId);
        s.setValue(group + "tlv", savedBytes);
    }
    Coordinator c;
    QByteArray out("untouched");
    QCOMPARE(c.loadDownlinkSnapshot(false, Coordinator::Custom, " 3", &out), found);
    QCOMPARE(out, found ? savedBytes : QByteArray("untouched"));
    QVERIFY(!c.loadDownlinkSnapshot(false, Coordinator::None, "3", &out));
    QVERIFY(!c.loadDownlinkSnapshot(false, Coordinator::Custom, "  ", &out));
}

void TestEqActiveProfileCoordinator::incompleteSnapshotIsNotSaved_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("id");
    QTest::newRow("empty bytes") << QByteArray() << int(Coordinator::Custom) << "4";
    QTest::newRow("no source") << QByteArray("new") << int(Coordinator::None) << "4";
    QTest::newRow("blank id") << QByteArray("new") << int(Coordinator::Custom) << " ";
}

void TestEqActiveProfileCoordinator::incompleteSnapshotIsNotSaved()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, source);
    QFETCH(QString, id);
    Coordinator c;
    c.saveDownlinkSnapshot(true, "old", Coordinator::Custom, "3");
    c.saveDownlinkSnapshot(true, bytes, Coordinator::Source(source), id);
    QByteArray out;
    QVERIFY(c.loadDownlinkSnapshot(true, Coordinator::Custom, "3", &out));
    QCOMPARE(out, QByteArray("old"));
}

void TestEqActiveProfileCoordinator::clearSnapshotTouchesOneGroup()
{
    Coordinator c;
    c.saveDownlinkSnapshot(false, "plain", Coordinator::Custom, "1");
    c.saveDownlinkSnapshot(true, "qor", Coordinator::Custom, "1");

    c.setQorMode(true);
    c.clearDownlinkSnapshot();
    QVERIFY(!c.loadDownlinkSnapshot(true, Coordinator::Custom, "1", nullptr));
    QVERIFY(c.loadDownlinkSnapshot(false, Coordinator::Custom, "1", nullptr));

    c.clearDownlinkSnapshotFor(false);
    QVERIFY(!c.loadDownlinkSnapshot(false, Coordinator::Custom, "1", nullptr));
    QSettings s;
    QVERIFY(!s.contains("eq/downlinkSnapshot/source"));
    QVERIFY(!s.contains("eq/downlinkSnapshot/id"));
}

void TestEqActiveProfileCoordinator::refusedWritesAreToldForTheUsersSelection_data()
{
    QTest::addColumn<Write>("write");
    QTest::addColumn<bool>("readOnlyStore");
    QTest::addColumn<bool>("told");
    QTest::newRow("pick") << Write::UserPick << false << false;
    QTest::newRow("pick, read-only store") << Write::UserPick << true << true;
    QTest::newRow("clear, read-only store") << Write::UserClear << true << true;
    // The restore after a failed send: the failure has its own message.
    QTest::newRow("program's pick, read-only store") << Write::ProgramPick << true << false;
    // Written after every send, the program's own ones too.
    QTest::newRow("snapshot, read-only store") << Write::SnapshotSave << true << false;
    QTest::newRow("snapshot cleared, read-only store") << Write::SnapshotClear << true << false;
}

void TestEqActiveProfileCoordinator::refusedWritesAreToldForTheUsersSelection()
{
    QFETCH(Write, write);
    QFETCH(bool, readOnlyStore);
    QFETCH(bool, told);
    Coordinator c;
    c.setActiveSelection(Coordinator::OfficialBasic, "1");
    c.saveDownlinkSnapshot(false, "DRQ1abc", Coordinator::OfficialBasic, "1");
    std::unique_ptr<ReadOnlySettingsFile> readOnly;
    if (readOnlyStore) {
        readOnly = std::make_unique<ReadOnlySettingsFile>();
        QVERIFY2(readOnly->isValid(), qPrintable(readOnly->path()));
    }
    const QByteArray stored = readOnly ? readOnly->contents() : QByteArray();
    QSignalSpy notSaved(&c, &Coordinator::selectionNotSaved);
    QSignalSpy changed(&c, &Coordinator::activeSelectionChanged);
    MessageLog log;

    switch (write) {
    case Write::UserPick: c.setActiveSelection(Coordinator::Custom, "2"); break;
    case Write::UserClear: c.clearActiveSelection(); break;
    case Write::ProgramPick: c.setActiveSelection(Coordinator::Custom, "2", Coordinator::Change::ByProgram); break;
    case Write::SnapshotSave: c.saveDownlinkSnapshot(false, "DRQ1def", Coordinator::OfficialBasic, "1"); break;
    case Write::SnapshotClear: c.clearDownlinkSnapshot(); break;
    }
    QCOMPARE(notSaved.count(), told ? 1 : 0);
    QCOMPARE(log.contains(QStringLiteral("[Settings][Save]")), readOnlyStore);
    // The selection holds for the session and is announced either way.
    const bool picked = write == Write::UserPick || write == Write::ProgramPick;
    if (picked || write == Write::UserClear) {
        QCOMPARE(changed.count(), 1);
        QCOMPARE(c.activeSource(), picked ? Coordinator::Custom : Coordinator::None);
    }
    if (readOnly)
        QCOMPARE(readOnly->contents(), stored);
}

QTEST_GUILESS_MAIN(TestEqActiveProfileCoordinator)
#include "tst_eqactiveprofilecoordinator.moc"
