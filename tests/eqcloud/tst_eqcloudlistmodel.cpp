// The cloud list model: roles, list changes and the local update after a mark.
#include "EqCloudTestSession.h"

#include "eqcloud/EQCloudListModel.h"
#include "eqcloud/GameCardDisplay.h"

#include <QSignalSpy>
#include <QTest>

using EarphoneApi::CloudEQItem;
using EarphoneApi::CloudEQOperation;

class TestEqCloudListModel : public QObject
{
    Q_OBJECT

private slots:
    void rolesReadTheirFields();
    void invalidIndexesAndRolesGiveNothing();
    void listChangesAndTotals();
    void itemAtOutOfRange();
    void applyOperation_data();
    void applyOperation();
    void applyOperationFindsTrimmedIdsOnly();
    void flagTexts_data();
    void flagTexts();
};

void TestEqCloudListModel::rolesReadTheirFields()
{
    CloudEQItem item;
    item.id = "7";
    item.name = "Rock";
    item.desc = "d";
    item.nickName = "Ann";
    item.iconUrl = "http://x/a.png";
    item.sc1_name = "FPS";
    item.sc2_name = "Bass";
    item.download_num = "3";
    item.like_num = "4";
    item.coll_num = "5";
    item.isDownload = "1";
    item.isLike = "0";
    item.isColl = " 1 ";
    item.share_code = "ABC";
    item.add_time = "2024-01-02";
    EQCloudListModel model;
    model.setItems({item}, 1);

    const QHash<int, QByteArray> names = model.roleNames();
    const QList<QPair<QByteArray, QString>> expected = {
        {"id", "7"}, {"name", "Rock"}, {"desc", "d"}, {"nickName", "Ann"}, {"iconUrl", "http://x/a.png"},
        {"sc1_name", "FPS"}, {"sc2_name", "Bass"}, {"download_num", "3"}, {"like_num", "4"}, {"coll_num", "5"},
        {"isDownload", "1"}, {"isLike", "0"}, {"isColl", " 1 "}, {"share_code", "ABC"}, {"add_time", "2024-01-02"}};
    QCOMPARE(names.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const int role = EQCloudListModel::IdRole + i;
        QCOMPARE(role, Qt::UserRole + 1 + i);
        QCOMPARE(names.value(role), expected.at(i).first);
        const QVariant value = model.data(model.index(0), role);
        QCOMPARE(value.metaType(), QMetaType::fromType<QString>());
        QCOMPARE(value.toString(), expected.at(i).second);
    }
}

void TestEqCloudListModel::invalidIndexesAndRolesGiveNothing()
{
    EQCloudListModel model;
    model.setItems({EqCloudTestSession::item("1")}, 1);
    QVERIFY(!model.data(QModelIndex(), EQCloudListModel::IdRole).isValid());
    QVERIFY(!model.data(model.index(0), Qt::DisplayRole).isValid());
    QVERIFY(!model.data(model.index(0), EQCloudListModel::AddTimeRole + 1).isValid());
    QCOMPARE(model.rowCount(model.index(0)), 0);
}

void TestEqCloudListModel::listChangesAndTotals()
{
    EQCloudListModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    model.appendItems({}, 40);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(model.totalCount(), 40);

    model.appendItems({EqCloudTestSession::item("1"), EqCloudTestSession::item("2")}, 41);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 1);
    model.appendItems({EqCloudTestSession::item("3")}, 41);
    QCOMPARE(inserted.at(1).at(1).toInt(), 2);
    QCOMPARE(model.rowCount(), 3);

    model.setItems({EqCloudTestSession::item("9")}, 5);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.totalCount(), 5);

    model.clear();
    QCOMPARE(reset.count(), 2);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.totalCount(), 0);
}

void TestEqCloudListModel::itemAtOutOfRange()
{
    EQCloudListModel model;
    model.setItems({EqCloudTestSession::item("1", "one")}, 1);
    bool valid = false;
    QCOMPARE(model.itemAt(0, &valid).name, QStringLiteral("one"));
    QVERIFY(valid);
    for (int row : {-1, 1}) {
        QCOMPARE(model.itemAt(row, &valid), CloudEQItem());
        QVERIFY(!valid);
    }
}

void TestEqCloudListModel::applyOperation_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expectedCount");
    QTest::addColumn<QString>("expectedFlag");
    QTest::addColumn<int>("countRole");
    QTest::addColumn<int>("flagRole");

    const int like = int(CloudEQOperation::Like);
    QTest::newRow("like from zero") << like << "0" << 1 << "1" << "1" << int(EQCloudListModel::LikeNumRole)
                                    << int(EQCloudListModel::IsLikeRole);
    QTest::newRow("unlike at zero stays zero") << like << "0" << 0 << "0" << "0"
                                               << int(EQCloudListModel::LikeNumRole) << int(EQCloudListModel::IsLikeRole);
    QTest::newRow("count with blanks") << like << " 12 " << 0 << "11" << "0" << int(EQCloudListModel::LikeNumRole)
                                       << int(EQCloudListModel::IsLikeRole);
    QTest::newRow("count not a number") << int(CloudEQOperation::Collect) << "many" << 1 << "1" << "1"
                                        << int(EQCloudListModel::CollNumRole) << int(EQCloudListModel::IsCollRole);
    QTest::newRow("negative count") << int(CloudEQOperation::Collect) << "-3" << 1 << "0" << "1"
                                    << int(EQCloudListModel::CollNumRole) << int(EQCloudListModel::IsCollRole);
    QTest::newRow("download") << int(CloudEQOperation::Download) << "9" << 1 << "10" << "1"
                              << int(EQCloudListModel::DownloadNumRole) << int(EQCloudListModel::IsDownloadRole);
    QTest::newRow("largest count") << like << "9223372036854775807" << 1 << "9223372036854775807" << "1"
                                   << int(EQCloudListModel::LikeNumRole) << int(EQCloudListModel::IsLikeRole);
}

void TestEqCloudListModel::applyOperation()
{
    QFETCH(int, operation);
    QFETCH(QString, count);
    QFETCH(int, status);
    QFETCH(int, countRole);
    QFETCH(int, flagRole);

    CloudEQItem item = EqCloudTestSession::item("42");
    item.like_num = item.coll_num = item.download_num = count;
    EQCloudListModel model;
    model.setItems({EqCloudTestSession::item("41"), item}, 2);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    QVERIFY(model.applyOperation(42, CloudEQOperation(operation), status));
    QTEST(model.data(model.index(1), countRole).toString(), "expectedCount");
    QTEST(model.data(model.index(1), flagRole).toString(), "expectedFlag");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 1);
    QCOMPARE(changed.at(0).at(1).toModelIndex().row(), 1);
    QCOMPARE(changed.at(0).at(2).value<QList<int>>(), (QList<int>{countRole, flagRole}));
    // The other row is untouched.
    QCOMPARE(model.data(model.index(0), countRole).toString(), QStringLiteral("0"));
}

void TestEqCloudListModel::applyOperationFindsTrimmedIdsOnly()
{
    EQCloudListModel model;
    model.setItems({EqCloudTestSession::item(" 5 "), EqCloudTestSession::item("5")}, 2);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(!model.applyOperation(0, CloudEQOperation::Like, 1));
    QVERIFY(!model.applyOperation(6, CloudEQOperation::Like, 1));
    QVERIFY(!model.applyOperation(5, CloudEQOperation(7), 1));
    QCOMPARE(changed.count(), 0);
    // The first row whose trimmed id matches wins.
    QVERIFY(model.applyOperation(5, CloudEQOperation::Like, 1));
    QCOMPARE(model.itemAt(0).isLike, QStringLiteral("1"));
    QCOMPARE(model.itemAt(1).isLike, QStringLiteral("0"));
}

void TestEqCloudListModel::flagTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("set");
    QTest::newRow("one") << " 1 " << true;
    QTest::newRow("true") << "true" << true;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("false") << "false" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("two") << "2" << false;
}

void TestEqCloudListModel::flagTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, set);
    QCOMPARE(EQCloudListModel::isFlagSet(text), set);
    // A click must take back exactly the mark the card shows.
    CloudEQItem item;
    item.isLike = text;
    QCOMPARE(GameCardDisplay::fromItem(item).liked, set);
}

QTEST_MAIN(TestEqCloudListModel)
#include "tst_eqcloudlistmodel.moc"
