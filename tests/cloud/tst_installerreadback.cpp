// The read-back of a saved installer: what is opened for it, that the file
// held open is the one hashed, and a read that never returns (a FIFO with a
// writer that sends nothing stands in for a stuck mount) ends the check in
// time without holding up its owner, the reader ending once the read returns.
#include "cloud/InstallerHashCheck.h"
#include "platform/installer/InstallerFile.h"
#include "tests/support/testenv/MessageLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using RemoteUpdate::InstallerHashCheck;

namespace {

// Both ends of a FIFO, opened without waiting for each other; the read end blocks once opened.
struct Fifo
{
    int reader = -1;
    int writer = -1;
    ~Fifo()
    {
        for (int fd : {reader, writer}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    bool open(const QString &path)
    {
        const QByteArray native = QFile::encodeName(path);
        if (::mkfifo(native.constData(), 0600) != 0)
            return false;
        reader = ::open(native.constData(), O_RDONLY | O_NONBLOCK);
        writer = ::open(native.constData(), O_WRONLY | O_NONBLOCK);
        return reader >= 0 && writer >= 0 && ::fcntl(reader, F_SETFL, 0) == 0;
    }
    // Whether a thread of this process waits in a read() of the FIFO now.
    static bool readBlockedOn(const QString &path)
    {
        const QString target = QFileInfo(path).canonicalFilePath();
        const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &task : tasks) {
            QFile syscall(QStringLiteral("/proc/self/task/%1/syscall").arg(task));
            if (!syscall.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> fields = syscall.readAll().split(' ');
            bool ok = false;
            if (fields.size() < 2 || fields.at(0).toLong() != SYS_read)
                continue;
            const int fd = int(fields.at(1).toLong(&ok, 16));
            if (ok && QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).canonicalFilePath() == target)
                return true;
        }
        return false;
    }
    // Once no read end is open any more, the write end reports an error.
    bool readersGone() const
    {
        pollfd p{writer, POLLOUT, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLERR);
    }
};

} // namespace

class TestInstallerReadBack : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void onlyARegularFileOfThisUserIsOpened_data();
    void onlyARegularFileOfThisUserIsOpened();
    void theFileHeldOpenIsTheOneHashed();
    void blockedReadDoesNotHoldTheCheckUp_data();
    void blockedReadDoesNotHoldTheCheckUp();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
};

QString TestInstallerReadBack::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

void TestInstallerReadBack::onlyARegularFileOfThisUserIsOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // empty: opened
    QTest::newRow("regular file") << "file" << "";
    QTest::newRow("FIFO, nobody writing") << "fifo" << "not a regular file";
    const auto openError = [](int code) { return QStringLiteral("open: ") + QString::fromLocal8Bit(std::strerror(code)); };
    QTest::newRow("link to a regular file") << "link" << openError(ELOOP);
    QTest::newRow("folder") << "folder" << "not a regular file";
    QTest::newRow("missing") << "missing" << openError(ENOENT);
    QTest::newRow("file of another user") << "foreign" << "owned by user 4242";
}

void TestInstallerReadBack::onlyARegularFileOfThisUserIsOpened()
{
    // A FIFO must not hold the open up: with nobody writing, a plain open would wait for ever.
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString path = m_dir->filePath(QStringLiteral("setup.exe"));
    const QByteArray native = QFile::encodeName(path);
    if (kind == QLatin1String("file") || kind == QLatin1String("foreign")) {
        QVERIFY(!writeFile(QStringLiteral("setup.exe"), "MZ").isEmpty());
        if (kind == QLatin1String("foreign") && ::chown(native.constData(), 4242, 4242) != 0)
            QSKIP("changing a file's owner needs privileges");
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
    } else if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(writeFile(QStringLiteral("real.exe"), "MZ"), path));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    }
    QString error;
    const std::unique_ptr<InstallerFile> file = InstallerFile::open(path, &error);
    QCOMPARE(error, reason);
    QCOMPARE(bool(file), reason.isEmpty());
    if (file) {
        QCOMPARE(file->size(), qint64(2));
        QVERIFY(file->isStillAtItsPath(&error));
        // Reads block from here on, as a hash check expects.
        QCOMPARE(::fcntl(file->descriptor(), F_GETFL) & O_NONBLOCK, 0);
    }
}

void TestInstallerReadBack::theFileHeldOpenIsTheOneHashed()
{
    const QByteArray bytes(2 * 1024 * 1024 + 9, 'K');
    const QString path = writeFile(QStringLiteral("setup.exe"), bytes);
    QString error;
    const std::unique_ptr<InstallerFile> file = InstallerFile::open(path, &error);
    QVERIFY2(file, qPrintable(error));
    // Whatever takes the name afterwards, the check reads the file it was given.
    QVERIFY(QFile::remove(path));
    QVERIFY(!writeFile(QStringLiteral("setup.exe"), "other").isEmpty());
    QVERIFY(!file->isStillAtItsPath(&error));
    QCOMPARE(error, QStringLiteral("the path names another file"));

    InstallerHashCheck check(file->descriptor(), 1024 * 1024, 10000);
    QSignalSpy progress(&check, &InstallerHashCheck::progress);
    QSignalSpy finished(&check, &InstallerHashCheck::finished);
    check.start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(0).toString(),
             QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
    QCOMPARE(finished.at(0).at(1).toString(), QString());
    QCOMPARE(progress.size(), 3);
    QCOMPARE(progress.last(), (QVariantList{qlonglong(bytes.size()), qlonglong(bytes.size())}));
}

void TestInstallerReadBack::blockedReadDoesNotHoldTheCheckUp_data()
{
    QTest::addColumn<bool>("timeOut"); // else the check is destroyed while the read is blocked
    QTest::newRow("bound runs out") << true;
    QTest::newRow("destroyed during the read") << false;
}

void TestInstallerReadBack::blockedReadDoesNotHoldTheCheckUp()
{
    QFETCH(bool, timeOut);
    MessageLog log;
    Fifo fifo;
    const QString path = m_dir->filePath(QStringLiteral("setup.exe"));
    QVERIFY(fifo.open(path));
    auto check = std::make_unique<InstallerHashCheck>(fifo.reader, 1024 * 1024, timeOut ? 200 : 0);
    ::close(std::exchange(fifo.reader, -1)); // the check holds its own copy
    QSignalSpy timedOut(check.get(), &InstallerHashCheck::timedOut);
    QSignalSpy finished(check.get(), &InstallerHashCheck::finished);
    check->start();
    QTRY_VERIFY_WITH_TIMEOUT(Fifo::readBlockedOn(path), 10000);
    if (timeOut) {
        QVERIFY(timedOut.wait(10000));
        QCOMPARE(finished.size(), 0);
    }
    // Returns although the reader is still held in its read.
    check.reset();
    QCOMPARE(finished.size(), 0);
    QVERIFY(!fifo.readersGone());
    if (!timeOut)
        QVERIFY(log.contains(QStringLiteral("[Update] installer read-back still busy after %1 ms; left to end on its own")
                                 .arg(InstallerHashCheck::stopWaitMs)));
    // Once the read returns, the abandoned reader ends and lets its file go.
    QCOMPARE(::write(fifo.writer, "x", 1), ssize_t(1));
    QTRY_VERIFY_WITH_TIMEOUT(fifo.readersGone(), 10000);
}

QTEST_GUILESS_MAIN(TestInstallerReadBack)
#include "tst_installerreadback.moc"
