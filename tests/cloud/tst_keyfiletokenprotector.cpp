// Sealing under the per-user key file: round trips, the key file's creation
// and permissions, and every way a blob or a key can be unusable.
#include "platform/tokenprotect/KeyFileTokenProtector.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using Status = ITokenProtector::Status;

namespace {

const QByteArray description = QByteArrayLiteral("VelkoraZarvex_Login");

mode_t modeOf(const QString &path)
{
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

} // namespace

class TestKeyFileTokenProtector : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTripCreatesPrivateKeyFile_data();
    void roundTripCreatesPrivateKeyFile();
    void sealingTwiceGivesDifferentBlobs();
    void damagedBlobsFail_data();
    void damagedBlobsFail();
    void otherBytesAreNotProtected_data();
    void otherBytesAreNotProtected();
    void anotherKeyCannotOpen();
    void missingKeyFileFailsWithoutCreatingOne();
    void unusableKeyFilesAreRefused_data();
    void unusableKeyFilesAreRefused();
    void keyFileReadableByOthersIsRestricted();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString keyPath() const { return m_dir->filePath(QStringLiteral("nested/folder/session.key")); }
};

void TestKeyFileTokenProtector::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestKeyFileTokenProtector::roundTripCreatesPrivateKeyFile_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::newRow("token") << QByteArray("tok-1-abcdef");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("utf-8 json") << QString::fromUtf8(R"({"nickName":"小明"})").toUtf8();
}

void TestKeyFileTokenProtector::roundTripCreatesPrivateKeyFile()
{
    QFETCH(QByteArray, plain);
    KeyFileTokenProtector protector(keyPath());
    const std::optional<QByteArray> sealed = protector.protect(plain, description);
    QVERIFY(sealed);
    QVERIFY(plain.isEmpty() || !sealed->contains(plain));
    QCOMPARE(modeOf(keyPath()), mode_t(0600));
    QCOMPARE(QFile(keyPath()).size(), 32);

    const ITokenProtector::Unsealed opened = KeyFileTokenProtector(keyPath()).unprotect(*sealed);
    QCOMPARE(opened.status, Status::Ok);
    QCOMPARE(opened.plain, plain);
}

void TestKeyFileTokenProtector::sealingTwiceGivesDifferentBlobs()
{
    KeyFileTokenProtector protector(keyPath());
    const auto a = protector.protect("same", description);
    const auto b = protector.protect("same", description);
    QVERIFY(a && b);
    QVERIFY(*a != *b); // fresh nonce each time
}

void TestKeyFileTokenProtector::damagedBlobsFail_data()
{
    QTest::addColumn<int>("offset"); // from the start; negative from the end
    QTest::addColumn<int>("truncateTo"); // -1: keep the length
    QTest::newRow("description byte") << 6 << -1;
    QTest::newRow("nonce byte") << 5 + 19 + 2 << -1;
    QTest::newRow("ciphertext byte") << -17 << -1;
    QTest::newRow("tag byte") << -1 << -1;
    QTest::newRow("cut short") << 0 << 30;
    QTest::newRow("description length beyond the blob") << 4 << -1;
}

void TestKeyFileTokenProtector::damagedBlobsFail()
{
    QFETCH(int, offset);
    QFETCH(int, truncateTo);
    KeyFileTokenProtector protector(keyPath());
    QByteArray sealed = *protector.protect("secret-token", description);
    if (truncateTo >= 0) {
        sealed.truncate(truncateTo);
    } else {
        const qsizetype i = offset >= 0 ? offset : sealed.size() + offset;
        sealed[i] = static_cast<char>(sealed.at(i) ^ 0x01);
        if (offset == 4)
            sealed[i] = static_cast<char>(0xff);
    }
    const ITokenProtector::Unsealed opened = protector.unprotect(sealed);
    QCOMPARE(opened.status, Status::Failed);
    QVERIFY(opened.plain.isEmpty());
}

void TestKeyFileTokenProtector::otherBytesAreNotProtected_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("plain token") << QByteArray("tok-1-abc");
    QTest::newRow("magic only") << QByteArray("VKT1");
    QTest::newRow("empty") << QByteArray();
}

void TestKeyFileTokenProtector::otherBytesAreNotProtected()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(KeyFileTokenProtector(keyPath()).unprotect(bytes).status, Status::NotProtected);
}

void TestKeyFileTokenProtector::anotherKeyCannotOpen()
{
    const QByteArray sealed = *KeyFileTokenProtector(keyPath()).protect("secret", description);
    const QString otherPath = m_dir->filePath(QStringLiteral("other.key"));
    QVERIFY(KeyFileTokenProtector(otherPath).protect("x", description));
    QCOMPARE(KeyFileTokenProtector(otherPath).unprotect(sealed).status, Status::Failed);
}

void TestKeyFileTokenProtector::missingKeyFileFailsWithoutCreatingOne()
{
    const QByteArray sealed = *KeyFileTokenProtector(keyPath()).protect("secret", description);
    QVERIFY(QFile::remove(keyPath()));
    QCOMPARE(KeyFileTokenProtector(keyPath()).unprotect(sealed).status, Status::Failed);
    QVERIFY(!QFile::exists(keyPath()));
}

void TestKeyFileTokenProtector::unusableKeyFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("symbolic link") << "symlink";
    QTest::newRow("wrong size") << "short";
    QTest::newRow("a folder") << "folder";
}

void TestKeyFileTokenProtector::unusableKeyFilesAreRefused()
{
    QFETCH(QString, kind);
    const QString path = m_dir->filePath(QStringLiteral("session.key"));
    if (kind == QLatin1String("symlink")) {
        const QString target = m_dir->filePath(QStringLiteral("elsewhere.key"));
        QFile target32(target);
        QVERIFY(target32.open(QIODevice::WriteOnly));
        target32.write(QByteArray(32, 'k'));
        target32.close();
        QVERIFY(QFile::link(target, path));
    } else if (kind == QLatin1String("short")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("short");
    } else {
        QVERIFY(QDir().mkpath(path));
    }
    const QByteArray before = QFile::exists(path) && QFileInfo(path).isFile() ? [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }() : QByteArray();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^\\[Login\\]\\[Protect\\] ")));
    QVERIFY(!KeyFileTokenProtector(path).protect("secret", description));
    // The refused file is left as it was.
    if (!before.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
}

void TestKeyFileTokenProtector::keyFileReadableByOthersIsRestricted()
{
    KeyFileTokenProtector protector(keyPath());
    const QByteArray sealed = *protector.protect("secret", description);
    QVERIFY(::chmod(QFile::encodeName(keyPath()).constData(), 0644) == 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("readable by others; restricting")));
    const ITokenProtector::Unsealed opened = protector.unprotect(sealed);
    QCOMPARE(opened.status, Status::Ok);
    QCOMPARE(modeOf(keyPath()), mode_t(0600));
}

QTEST_GUILESS_MAIN(TestKeyFileTokenProtector)
#include "tst_keyfiletokenprotector.moc"
