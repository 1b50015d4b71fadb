// The nickname and avatar dialogs: the byte limit while typing, and the
// checks of a chosen picture file.
#include "account/AccountImages.h"
#include "account/AvatarImage.h"
#include "account/EditAvatarDialog.h"
#include "account/EditNicknameDialog.h"
#include "widgets/CustomClickableLabel.h"
#include "tests/account/AccountTestSupport.h"
#include "tests/support/fakeapi/FakeApiServer.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QLineEdit *nicknameEdit(QWidget *dialog)
{
    return dialog->findChild<QLineEdit *>(QStringLiteral("nicknameEdit"));
}

// Types `text` one character at a time, Chinese included.
void typeText(QWidget *edit, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QPushButton *okButton(QWidget *dialog)
{
    return dialog->findChild<QPushButton *>(QStringLiteral("okButton"));
}

QLabel *preview(QWidget *dialog)
{
    return dialog->findChild<QLabel *>(QStringLiteral("avatarPreview"));
}

// Answers the file dialog and records the warnings instead of showing them.
class ScriptedAvatarDialog : public EditAvatarDialog
{
public:
    using EditAvatarDialog::EditAvatarDialog;
    QString nextFile;
    QStringList warnings;

protected:
    QString chooseImageFile() override { return nextFile; }
    void showWarning(const QString &text) override { warnings.append(text); }
};

} // namespace

class TestProfileDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void truncateUtf8_data();
    void truncateUtf8();
    void startsWithTheCurrentNicknameCut();
    void typingIsCutAtFifteenBytes();
    void pasteKeepsTheCursor_data();
    void pasteKeepsTheCursor();
    void blanksOnlyKeepOkDisabled();
    void nicknameDialogTexts();

    void avatarFileChecks_data();
    void avatarFileChecks();
    void refusedFileKeepsTheEarlierChoice();
    void currentAvatarPreview_data();
    void currentAvatarPreview();
    void lateCurrentAvatarKeepsTheChosenPicture();

private:
    QString writeFile(const QString &name, const QByteArray &bytes, qint64 padTo = 0);

    QTemporaryDir m_dir;
    FakeApi::FakeApiServer m_server;
};

void TestProfileDialogs::initTestCase()
{
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    QVERIFY(m_dir.isValid());
    QVERIFY(m_server.start());
}

QString TestProfileDialogs::writeFile(const QString &name, const QByteArray &bytes, qint64 padTo)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    if (padTo > bytes.size())
        file.write(QByteArray(padTo - bytes.size(), '\0')); // after the image's end: still loads
    return path;
}

void TestProfileDialogs::truncateUtf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("15 ASCII kept") << "abcdefghijklmno" << "abcdefghijklmno";
    QTest::newRow("16th letter dropped") << "abcdefghijklmnop" << "abcdefghijklmno";
    QTest::newRow("five Chinese (15 bytes)") << "一二三四五" << "一二三四五";
    QTest::newRow("sixth Chinese dropped") << "一二三四五六" << "一二三四五";
    QTest::newRow("cut inside a character") << "ab一二三四五" << "ab一二三四";
    QTest::newRow("emoji is whole or gone") << "abcdefghijkl😀" << "abcdefghijkl";
    QTest::newRow("blanks count") << QString(14, QLatin1Char(' ')) + QStringLiteral("一")
                                  << QString(14, QLatin1Char(' '));
}

void TestProfileDialogs::truncateUtf8()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(EditNicknameDialog::truncateUtf8(text), result);
    QVERIFY(result.toUtf8().size() <= EditNicknameDialog::maxNicknameBytes);
}

void TestProfileDialogs::startsWithTheCurrentNicknameCut()
{
    EditNicknameDialog dialog(QStringLiteral("  一二三四五六  "));
    QCOMPARE(nicknameEdit(&dialog)->text(), QStringLiteral("一二三四五"));
    QVERIFY(okButton(&dialog)->isEnabled());
    QCOMPARE(dialog.size(), QSize(364, 178));
    QVERIFY(!dialog.mask().contains(QPoint(363, 177)));
    QVERIFY(dialog.mask().contains(QPoint(182, 177)));

    EditNicknameDialog empty(QStringLiteral("   "));
    QCOMPARE(nicknameEdit(&empty)->text(), QString());
    QVERIFY(!okButton(&empty)->isEnabled());
}

void TestProfileDialogs::typingIsCutAtFifteenBytes()
{
    EditNicknameDialog dialog(QStringLiteral("一二三四五"));
    QLineEdit *edit = nicknameEdit(&dialog);
    edit->end(false);
    typeText(edit, QStringLiteral("六"));
    QCOMPARE(edit->text(), QStringLiteral("一二三四五"));

    edit->clear();
    typeText(edit, QStringLiteral("abcdefghijklmnop"));
    QCOMPARE(edit->text(), QStringLiteral("abcdefghijklmno"));
    QCOMPARE(edit->cursorPosition(), 15);
    QCOMPARE(dialog.nickname(), QStringLiteral("abcdefghijklmno"));
}

void TestProfileDialogs::pasteKeepsTheCursor_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("at");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursor");
    QTest::newRow("cursor still inside") << "abc" << 1 << "0123456789012" << "a0123456789012b" << 14;
    QTest::newRow("cursor beyond the new end") << "abcdef" << 3 << "0123456789012" << "abc012345678901" << 15;
}

void TestProfileDialogs::pasteKeepsTheCursor()
{
    QFETCH(QString, before);
    QFETCH(int, at);
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    QFETCH(int, cursor);
    EditNicknameDialog dialog(before);
    QLineEdit *edit = nicknameEdit(&dialog);
    edit->setCursorPosition(at);
    edit->insert(pasted);
    QCOMPARE(edit->text(), after);
    QCOMPARE(edit->cursorPosition(), cursor);
}

void TestProfileDialogs::blanksOnlyKeepOkDisabled()
{
    EditNicknameDialog dialog{QString()};
    QLineEdit *edit = nicknameEdit(&dialog);
    typeText(edit, QString(14, QLatin1Char(' ')));
    QVERIFY(!okButton(&dialog)->isEnabled());
    typeText(edit, QStringLiteral("一"));
    QCOMPARE(edit->text(), QString(14, QLatin1Char(' ')));
    QVERIFY(!okButton(&dialog)->isEnabled());
    typeText(edit, QStringLiteral("x"));
    QVERIFY(okButton(&dialog)->isEnabled());
    QCOMPARE(dialog.nickname(), QStringLiteral("x"));
}

void TestProfileDialogs::nicknameDialogTexts()
{
    EditNicknameDialog dialog(QStringLiteral("Ann"));
    QCOMPARE(nicknameEdit(&dialog)->placeholderText(), QStringLiteral("请输入昵称"));
    AccountTest::switchLanguage(QStringLiteral("en_US"));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("titleLabel"))->text(), QStringLiteral("Edit nickname"));
    QCOMPARE(okButton(&dialog)->text(), QStringLiteral("OK"));
    QCOMPARE(nicknameEdit(&dialog)->placeholderText(), QStringLiteral("Enter a nickname"));
    AccountTest::switchLanguage(QStringLiteral("zh_CN"));
    QCOMPARE(okButton(&dialog)->text(), QStringLiteral("确定"));
}

void TestProfileDialogs::avatarFileChecks_data()
{
    const QByteArray png = AccountTest::solidImage(Qt::red);
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("warning"); // empty: accepted

    const qint64 limit = EditAvatarDialog::maxFileBytes;
    QTest::newRow("exactly 2 MB, suffix in capitals") << "FACE.PNG" << png << limit << "";
    QTest::newRow("jpeg") << "face.jpeg" << AccountTest::solidImage(Qt::red, "JPG") << qint64(0) << "";
    QTest::newRow("one byte over") << "big.png" << png << limit + 1 << "文件大小不能超过 2MB";
    QTest::newRow("size before type") << "big.gif" << png << limit + 1 << "文件大小不能超过 2MB";
    QTest::newRow("gif") << "anim.gif" << png << qint64(0) << "请选择 JPG 或 PNG 格式的图片";
    QTest::newRow("no suffix") << "picture" << png << qint64(0) << "请选择 JPG 或 PNG 格式的图片";
    QTest::newRow("jpg holding text") << "note.jpg" << QByteArray("not a picture") << qint64(0)
                                      << "无法读取该图片文件";
    QTest::newRow("empty png") << "empty.png" << QByteArray() << qint64(0) << "无法读取该图片文件";
}

void TestProfileDialogs::avatarFileChecks()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    QFETCH(QString, warning);
    ScriptedAvatarDialog dialog{QString()};
    QCOMPARE(dialog.size(), QSize(364, 243));
    QVERIFY(!dialog.mask().contains(QPoint(0, 242)));
    QVERIFY(!okButton(&dialog)->isEnabled());
    dialog.nextFile = writeFile(file, bytes, size);
    QTest::mouseClick(preview(&dialog), Qt::LeftButton);

    QCOMPARE(dialog.warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
    QCOMPARE(dialog.selectedFilePath(), warning.isEmpty() ? dialog.nextFile : QString());
    QCOMPARE(okButton(&dialog)->isEnabled(), warning.isEmpty());
    if (warning.isEmpty())
        QVERIFY(AccountTest::closeTo(AccountTest::labelCentreColour(preview(&dialog)), Qt::red));
}

void TestProfileDialogs::refusedFileKeepsTheEarlierChoice()
{
    ScriptedAvatarDialog dialog{QString()};
    const QString first = writeFile(QStringLiteral("first.png"), AccountTest::solidImage(Qt::green));
    dialog.nextFile = first;
    QTest::mouseClick(preview(&dialog), Qt::LeftButton);
    QCOMPARE(dialog.selectedFilePath(), first);

    dialog.nextFile = writeFile(QStringLiteral("broken.jpg"), QByteArray("text"));
    QTest::mouseClick(preview(&dialog), Qt::LeftButton);
    QCOMPARE(dialog.warnings, QStringList{QStringLiteral("无法读取该图片文件")});
    QCOMPARE(dialog.selectedFilePath(), first);
    QVERIFY(okButton(&dialog)->isEnabled());
    QCOMPARE(AccountTest::labelCentreColour(preview(&dialog)), QColor(Qt::green));

    // Cancelling the file dialog changes nothing.
    dialog.nextFile.clear();
    QTest::mouseClick(preview(&dialog), Qt::LeftButton);
    QCOMPARE(dialog.warnings.size(), 1);
    QCOMPARE(dialog.selectedFilePath(), first);

    QTest::mouseClick(okButton(&dialog), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestProfileDialogs::currentAvatarPreview_data()
{
    m_server.backend().setFile(QStringLiteral("blue.png"), AccountTest::solidImage(Qt::blue));
    m_server.backend().setFile(QStringLiteral("junk.png"), QByteArray("<html>"));
    const QString local = writeFile(QStringLiteral("local.png"), AccountTest::solidImage(Qt::yellow));
    const QString url = m_server.fileUrl(QStringLiteral("blue.png")).toString();
    QTest::addColumn<QString>("avatar");
    QTest::addColumn<QColor>("colour"); // invalid: the default picture
    QTest::newRow("empty") << "  " << QColor();
    QTest::newRow("local file") << local << QColor(Qt::yellow);
    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("gone.png")) << QColor();
    QTest::newRow("download") << url << QColor(Qt::blue);
    QTest::newRow("download, scheme in capitals") << QStringLiteral(" HTTP") + url.mid(4) << QColor(Qt::blue);
    QTest::newRow("not found") << m_server.fileUrl(QStringLiteral("none.png")).toString() << QColor();
    QTest::newRow("not an image") << m_server.fileUrl(QStringLiteral("junk.png")).toString() << QColor();
    m_server.backend().setFile(QStringLiteral("huge.png"), QByteArray(AvatarImage::maxDownloadBytes + 1, 'p'));
    QTest::newRow("larger than a photo") << m_server.fileUrl(QStringLiteral("huge.png")).toString() << QColor();
    m_server.backend().setFile(QStringLiteral("endless.png"), AccountTest::solidImage(Qt::blue));
    m_server.setFault(QStringLiteral("files/endless.png"), FakeApi::Fault::flood(FakeApi::Fault::Framing::Chunked));
    QTest::newRow("endless") << m_server.fileUrl(QStringLiteral("endless.png")).toString() << QColor();
    m_server.backend().setFile(QStringLiteral("wide.png"), AccountTest::solidImage(Qt::blue, "PNG", 3000));
    QTest::newRow("picture of 3000 pixels") << m_server.fileUrl(QStringLiteral("wide.png")).toString()
                                            << QColor(Qt::blue);
}

void TestProfileDialogs::currentAvatarPreview()
{
    QFETCH(QString, avatar);
    QFETCH(QColor, colour);
    EditAvatarDialog reference{QString()};
    const QColor defaultColour = AccountTest::labelCentreColour(preview(&reference));

    m_server.clearRequests();
    EditAvatarDialog dialog(avatar);
    const bool remote = avatar.trimmed().startsWith(QLatin1String("http"), Qt::CaseInsensitive);
    if (remote) {
        QCOMPARE(AccountTest::labelCentreColour(preview(&dialog)), defaultColour); // until the answer
        QTRY_COMPARE(m_server.requests().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.findChildren<QNetworkAccessManager *>().isEmpty(), 30000); // done and released
    }
    QCOMPARE(AccountTest::labelCentreColour(preview(&dialog)), colour.isValid() ? colour : defaultColour);
    QVERIFY(dialog.selectedFilePath().isEmpty());
}

void TestProfileDialogs::lateCurrentAvatarKeepsTheChosenPicture()
{
    m_server.backend().setFile(QStringLiteral("slow.png"), AccountTest::solidImage(Qt::blue));
    m_server.setFault(QStringLiteral("files/slow.png"), FakeApi::Fault::delay(300));
    m_server.clearRequests();
    ScriptedAvatarDialog dialog(m_server.fileUrl(QStringLiteral("slow.png")).toString());
    QTRY_COMPARE(m_server.requests().size(), 1);

    // A picture is chosen before the current avatar arrives.
    dialog.nextFile = writeFile(QStringLiteral("chosen.png"), AccountTest::solidImage(Qt::green));
    QTest::mouseClick(preview(&dialog), Qt::LeftButton);
    QCOMPARE(dialog.selectedFilePath(), dialog.nextFile);
    QTRY_VERIFY(dialog.findChildren<QNetworkAccessManager *>().isEmpty());
    m_server.clearFault(QStringLiteral("files/slow.png"));
    QCOMPARE(AccountTest::labelCentreColour(preview(&dialog)), QColor(Qt::green));
}

QTEST_MAIN(TestProfileDialogs)
#include "tst_profiledialogs.moc"
