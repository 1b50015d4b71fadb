// The checks of the folders an installer is saved in, over real folders that
// root builds and an ordinary user is judged against: who owns each folder
// on the way, who may write to it (its group above all), and where its links
// lead. Also the system's own accounts against the machine's account files.
#include "platform/installer/InMemoryUserAccounts.h"
#include "platform/installer/NssUserAccounts.h"
#include "platform/installer/PrivateFolderChain.h"
#include "tests/support/testenv/UnprivilegedUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t me = UnprivilegedUser::testUid;
constexpr gid_t myGroup = UnprivilegedUser::testGid;
constexpr uid_t someoneElse = 4243;
// A group the rows give each meaning to in turn.
constexpr gid_t rowGroup = 4250;
const QString myName = QStringLiteral("velkora-test");
const QStringList downloadLevels{QStringLiteral("RemoteUpdate"), QStringLiteral("app")};

// Made by root with exactly `mode`, owned by `uid`:`gid`; an existing one is changed to that.
bool makeFolder(const QString &path, mode_t mode, uid_t uid = me, gid_t gid = myGroup)
{
    const QByteArray native = QFile::encodeName(path);
    return (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST) && ::chown(native.constData(), uid, gid) == 0
           && ::chmod(native.constData(), mode) == 0;
}

bool makeLink(const QString &path, const QString &target, uid_t uid = me)
{
    const QByteArray native = QFile::encodeName(path);
    return ::symlink(QFile::encodeName(target).constData(), native.constData()) == 0
           && ::lchown(native.constData(), uid, myGroup) == 0;
}

mode_t modeOf(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(0);
}

// The user with a group of its own and one other user.
void addTestAccounts(InMemoryUserAccounts &accounts)
{
    accounts.addUser({me, myName, myGroup});
    accounts.addGroup({myGroup, myName, {}});
    accounts.addUser({someoneElse, QStringLiteral("someone"), someoneElse});
    accounts.addGroup({someoneElse, QStringLiteral("someone"), {}});
}

// One line of /etc/passwd or /etc/group, split at its colons.
QList<QStringList> accountFile(const QString &path)
{
    QList<QStringList> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const QList<QByteArray> raw = file.readAll().split('\n');
    for (const QByteArray &line : raw) {
        if (line.isEmpty() || line.startsWith('#') || line.startsWith('+') || line.startsWith('-'))
            continue;
        lines.append(QString::fromUtf8(line).split(QLatin1Char(':')));
    }
    return lines;
}

} // namespace

class TestPrivateFolderChain : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void groupMayWriteOnlyWhenItIsTheUsersOwn_data();
    void groupMayWriteOnlyWhenItIsTheUsersOwn();
    void linksAreJudgedByWhereTheyLead_data();
    void linksAreJudgedByWhereTheyLead();
    void missingFolderFailsItsVerification();
    void systemAccountsAreTheMachines();
    void privateGroupOfARealAccount();

private:
    // The chain from `base` as the test user; true when accepted, else the reason in `problem`.
    bool prepareAsUser(const QString &base, const IUserAccounts &accounts, QString *problem);

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_home;
};

void TestPrivateFolderChain::init()
{
    if (::geteuid() != 0)
        QSKIP("building folders of other users needs root");
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    // Root's and closed to others for writing, as a folder holding homes is.
    QCOMPARE(::chmod(QFile::encodeName(m_root->path()).constData(), 0755), 0);
    m_home = m_root->filePath(QStringLiteral("home"));
    QVERIFY(makeFolder(m_home, 0700));
}

void TestPrivateFolderChain::cleanup()
{
    m_root.reset();
}

bool TestPrivateFolderChain::prepareAsUser(const QString &base, const IUserAccounts &accounts, QString *problem)
{
    const UnprivilegedUser user;
    if (!user.isActive()) {
        *problem = QStringLiteral("could not become the test user");
        return false;
    }
    PrivateFolderChain chain(base, downloadLevels, accounts);
    return chain.prepare(problem) && chain.verify(problem);
}

void TestPrivateFolderChain::groupMayWriteOnlyWhenItIsTheUsersOwn_data()
{
    QTest::addColumn<QString>("groupName");
    QTest::addColumn<QStringList>("members");
    QTest::addColumn<bool>("usersPrimary");   // the group is the user's primary group
    QTest::addColumn<bool>("othersPrimary");  // and another account's primary group too
    QTest::addColumn<int>("mode");            // of the home, whose group the group is
    QTest::addColumn<bool>("onTheWay");       // the home is above the base (else it is the base)
    QTest::addColumn<bool>("ofRoot");         // the home belongs to root (else to the user)
    QTest::addColumn<QString>("reason");      // empty: accepted

    const QString group = QStringLiteral("writable by its group");
    const QString users = myName;
    QTest::newRow("the user's private group")
        << users << QStringList() << true << false << 0775 << false << false << "";
    QTest::newRow("the user's private group, on the way")
        << users << QStringList() << true << false << 0775 << true << false << "";
    QTest::newRow("the user's private group, on the way, folder of root")
        << users << QStringList() << true << false << 0775 << true << true << "";
    QTest::newRow("the user listed as its only member")
        << users << QStringList{myName} << true << false << 0775 << false << false << "";
    QTest::newRow("another member") << users << QStringList{myName, QStringLiteral("someone")} << true << false << 0775
                                    << false << false << group;
    QTest::newRow("another member, on the way") << users << QStringList{QStringLiteral("someone")} << true << false
                                                << 0775 << true << false << group;
    QTest::newRow("another account's primary group too")
        << users << QStringList() << true << true << 0775 << false << false << group;
    QTest::newRow("named otherwise") << "users" << QStringList() << true << false << 0775 << false << false << group;
    QTest::newRow("named like the user, not its primary group")
        << users << QStringList() << false << false << 0775 << false << false << group;
    QTest::newRow("the user's private group, others may write too")
        << users << QStringList() << true << false << 0777 << false << false << "writable by others";
    QTest::newRow("a shared group that may only read")
        << "users" << QStringList{myName, QStringLiteral("someone")} << false << false << 0750 << false << false << "";
    QTest::newRow("a base of root, whatever its group")
        << users << QStringList() << true << false << 0755 << false << true << "owned by another user";
}

void TestPrivateFolderChain::groupMayWriteOnlyWhenItIsTheUsersOwn()
{
    QFETCH(QString, groupName);
    QFETCH(QStringList, members);
    QFETCH(bool, usersPrimary);
    QFETCH(bool, othersPrimary);
    QFETCH(int, mode);
    QFETCH(bool, onTheWay);
    QFETCH(bool, ofRoot);
    QFETCH(QString, reason);
    InMemoryUserAccounts accounts;
    accounts.addUser({me, myName, usersPrimary ? rowGroup : myGroup});
    accounts.addGroup({myGroup, QStringLiteral("velkora-old"), {}});
    accounts.addUser({someoneElse, QStringLiteral("someone"), othersPrimary ? rowGroup : someoneElse});
    accounts.addGroup({rowGroup, groupName, members});
    QVERIFY(makeFolder(m_home, mode_t(mode), ofRoot ? 0 : me, rowGroup));
    const QString base = onTheWay ? QDir(m_home).filePath(QStringLiteral(".cache")) : m_home;
    if (onTheWay)
        QVERIFY(makeFolder(base, 0700));

    QString problem;
    const bool accepted = prepareAsUser(base, accounts, &problem);
    QCOMPARE(problem, reason.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(m_home, reason));
    QCOMPARE(accepted, reason.isEmpty());
    // Found folders are taken as they are; only the levels made are narrowed.
    QCOMPARE(modeOf(m_home), mode_t(mode));
    if (accepted)
        QCOMPARE(modeOf(PrivateFolderChain::pathOf(base, downloadLevels)), mode_t(0700));
}

void TestPrivateFolderChain::linksAreJudgedByWhereTheyLead_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("named"); // the folder a refusal names, below the test's root; "/" for the root
    QTest::addColumn<QString>("reason"); // empty: accepted
    QTest::newRow("relative link to a private folder") << "relative" << "" << "";
    QTest::newRow("a chain of links, absolute and relative") << "chain" << "" << "";
    QTest::newRow("a link to a missing folder, made there") << "dangling" << "" << "";
    QTest::newRow("into a sticky folder") << "sticky" << "" << "";
    QTest::newRow("into a folder anyone may write to") << "open" << "open" << "writable by others";
    QTest::newRow("through a folder of another user") << "theirs" << "theirs" << "owned by another user";
    QTest::newRow("a link of another user in a sticky folder")
        << "their link" << "sticky/cache" << "a link owned by another user";
    QTest::newRow("to a file") << "file" << "home/file" << "not a folder";
    QTest::newRow("to the root") << "root" << "/" << "owned by another user";
    QTest::newRow("a loop") << "loop" << "home/cache" << "too many links";
}

void TestPrivateFolderChain::linksAreJudgedByWhereTheyLead()
{
    QFETCH(QString, layout);
    QFETCH(QString, named);
    QFETCH(QString, reason);
    const auto at = [this](const QString &relative) { return m_root->filePath(relative); };
    QString base = at(QStringLiteral("home/cache"));
    // Where the installer's folder really is when accepted.
    QString real = at(QStringLiteral("home/store/cache"));
    QVERIFY(makeFolder(at(QStringLiteral("home/store")), 0700));
    if (layout == QLatin1String("relative")) {
        QVERIFY(makeFolder(real, 0700));
        QVERIFY(makeLink(base, QStringLiteral("store/../store/cache")));
    } else if (layout == QLatin1String("chain")) {
        QVERIFY(makeFolder(real, 0755));
        QVERIFY(makeLink(at(QStringLiteral("home/hop")), QStringLiteral("store/cache")));
        QVERIFY(makeLink(base, at(QStringLiteral("home/hop"))));
    } else if (layout == QLatin1String("dangling")) {
        QVERIFY(makeLink(base, real));
    } else if (layout == QLatin1String("sticky") || layout == QLatin1String("open")
               || layout == QLatin1String("theirs")) {
        const bool theirs = layout == QLatin1String("theirs");
        QVERIFY(makeFolder(at(layout), layout == QLatin1String("sticky") ? 01777 : theirs ? 0755 : 0777,
                           theirs ? someoneElse : 0, theirs ? someoneElse : 0));
        real = at(layout + QStringLiteral("/cache"));
        QVERIFY(makeFolder(real, 0700));
        QVERIFY(makeLink(base, real));
    } else if (layout == QLatin1String("their link")) {
        QVERIFY(makeFolder(at(QStringLiteral("sticky")), 01777, 0, 0));
        QVERIFY(makeFolder(real, 0700));
        base = at(QStringLiteral("sticky/cache"));
        QVERIFY(makeLink(base, real, someoneElse));
    } else if (layout == QLatin1String("file")) {
        QFile file(at(QStringLiteral("home/file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(makeLink(base, QStringLiteral("file")));
    } else if (layout == QLatin1String("root")) {
        QVERIFY(makeLink(base, QStringLiteral("/")));
    } else {
        QVERIFY(makeLink(base, QStringLiteral("loop")));
        QVERIFY(makeLink(at(QStringLiteral("home/loop")), QStringLiteral("cache")));
    }
    InMemoryUserAccounts accounts;
    addTestAccounts(accounts);

    QString problem;
    const bool accepted = prepareAsUser(base, accounts, &problem);
    const QString folder = named == QLatin1String("/") ? named : at(named);
    QCOMPARE(problem, reason.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(folder, reason));
    QCOMPARE(accepted, reason.isEmpty());
    if (!accepted)
        return;
    // The levels are made where the links lead, closed to others; the named path reaches them.
    const QString levels = PrivateFolderChain::pathOf(real, downloadLevels);
    QCOMPARE(modeOf(levels), mode_t(0700));
    QCOMPARE(QFileInfo(PrivateFolderChain::pathOf(base, downloadLevels)).canonicalFilePath(),
             QFileInfo(levels).canonicalFilePath());
    if (layout == QLatin1String("dangling"))
        QCOMPARE(modeOf(real), mode_t(0700));
}

void TestPrivateFolderChain::missingFolderFailsItsVerification()
{
    InMemoryUserAccounts accounts;
    addTestAccounts(accounts);
    const UnprivilegedUser user;
    QVERIFY(user.isActive());
    const PrivateFolderChain chain(m_home, downloadLevels, accounts);
    QString problem;
    QVERIFY(!chain.verify(&problem));
    const QString first = QDir(m_home).filePath(downloadLevels.first());
    QCOMPARE(problem, QStringLiteral("%1: No such file or directory").arg(first));
    QVERIFY(!QFileInfo::exists(first));
}

void TestPrivateFolderChain::systemAccountsAreTheMachines()
{
    // Every account in the machine's own files, as the name service gives it.
    const QList<QStringList> passwd = accountFile(QStringLiteral("/etc/passwd"));
    const QList<QStringList> groups = accountFile(QStringLiteral("/etc/group"));
    if (passwd.isEmpty() || groups.isEmpty())
        QSKIP("the machine keeps no account files");
    const NssUserAccounts system;
    QList<uid_t> seenUsers;
    for (const QStringList &fields : passwd) {
        QVERIFY(fields.size() >= 4);
        const uid_t uid = fields.at(2).toUInt();
        const gid_t gid = fields.at(3).toUInt();
        if (!seenUsers.contains(uid)) {
            // The first line of a uid is the one looked up.
            seenUsers.append(uid);
            const std::optional<IUserAccounts::User> user = system.user(uid);
            QVERIFY2(user.has_value(), qPrintable(fields.at(0)));
            QCOMPARE(user->name, fields.at(0));
            QCOMPARE(user->primaryGroup, gid);
        }
        const QList<IUserAccounts::User> sharing = system.usersOfPrimaryGroup(gid);
        QVERIFY2(std::any_of(sharing.cbegin(), sharing.cend(),
                             [&](const IUserAccounts::User &u) { return u.uid == uid && u.name == fields.at(0); }),
                 qPrintable(fields.at(0)));
        for (const IUserAccounts::User &u : sharing)
            QCOMPARE(u.primaryGroup, gid);
    }
    QList<gid_t> seenGroups;
    for (const QStringList &fields : groups) {
        QVERIFY(fields.size() >= 4);
        const gid_t gid = fields.at(2).toUInt();
        if (seenGroups.contains(gid))
            continue;
        seenGroups.append(gid);
        const std::optional<IUserAccounts::Group> group = system.group(gid);
        QVERIFY2(group.has_value(), qPrintable(fields.at(0)));
        QCOMPARE(group->name, fields.at(0));
        QCOMPARE(group->members, fields.at(3).split(QLatin1Char(','), Qt::SkipEmptyParts));
    }
    // An id no account file holds.
    uid_t unused = 4000000;
    while (seenUsers.contains(unused))
        ++unused;
    QVERIFY(!system.user(unused).has_value());
}

void TestPrivateFolderChain::privateGroupOfARealAccount()
{
    // Found in the account files by the test itself: an ordinary account
    // whose primary group is named like it and nobody else's.
    const QList<QStringList> passwd = accountFile(QStringLiteral("/etc/passwd"));
    const QList<QStringList> groups = accountFile(QStringLiteral("/etc/group"));
    const auto primaryOf = [&](gid_t gid) {
        return std::count_if(passwd.cbegin(), passwd.cend(),
                             [gid](const QStringList &f) { return f.size() >= 4 && f.at(3).toUInt() == gid; });
    };
    const auto groupOf = [&](const QString &gid) {
        const auto it = std::find_if(groups.cbegin(), groups.cend(),
                                     [&](const QStringList &f) { return f.size() >= 4 && f.at(2) == gid; });
        return it == groups.cend() ? QStringList() : *it;
    };
    const auto isPrivate = [&](const QStringList &user) {
        const QStringList group = groupOf(user.at(3));
        return !group.isEmpty() && group.at(0) == user.at(0) && group.at(3).isEmpty()
               && primaryOf(user.at(3).toUInt()) == 1;
    };
    const auto account = std::find_if(passwd.cbegin(), passwd.cend(), [&](const QStringList &user) {
        return user.size() >= 4 && user.at(2).toUInt() != 0 && isPrivate(user);
    });
    if (account == passwd.cend())
        QSKIP("the machine has no ordinary account with a private group");
    const auto otherGroup = std::find_if(groups.cbegin(), groups.cend(), [&](const QStringList &f) {
        return f.size() >= 4 && f.at(2) != account->at(3);
    });
    if (otherGroup == groups.cend())
        QSKIP("the machine has a single group");
    const uid_t uid = account->at(2).toUInt();
    const gid_t gid = account->at(3).toUInt();
    const NssUserAccounts system;
    for (const auto &[group, accepted] : {std::pair{gid, true}, std::pair{gid_t(otherGroup->at(2).toUInt()), false}}) {
        const QString home = m_root->filePath(QStringLiteral("home-%1").arg(group));
        QVERIFY(makeFolder(home, 0775, uid, group));
        const UnprivilegedUser user(uid, gid);
        QVERIFY(user.isActive());
        PrivateFolderChain chain(home, downloadLevels, system);
        QString problem;
        QCOMPARE(chain.prepare(&problem), accepted);
        QCOMPARE(problem, accepted ? QString() : home + QStringLiteral(": writable by its group"));
    }
}

QTEST_GUILESS_MAIN(TestPrivateFolderChain)
#include "tst_privatefolderchain.moc"
