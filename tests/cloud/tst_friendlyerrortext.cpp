// User messages for API codes, transport texts and self-update failures, in
// both shipped catalogues.
#include "cloud/FriendlyErrorText.h"

#include <QCoreApplication>
#include <QTest>
#include <QTranslator>

#include <memory>

using namespace EarphoneApi;

namespace {

struct CodeRow
{
    int code;
    const char *zh;
    const char *en;
};

// The Chinese catalogue words some texts differently from the source.
const CodeRow codeRows[] = {
    {-3, "响应格式无效", "Invalid response format"},
    {-2, "数据解析失败", "Couldn't parse server data"},
    {-1, "网络异常，请重试", "Network error. Try again"},
    {1000, "接口地址错误", "Invalid server address"},
    {1002, "token不能为空", "Please sign in"},
    {1003, "token无效，请重新登录", "Session invalid. Sign in again"},
    {1004, "token已经过期，请重新登录", "Session expired. Sign in again"},
    {1005, "该用户已经注销", "Account deleted"},
    {1006, "页码不能为空", "Page index required"},
    {1007, "每页条数不能为空", "Page size required"},
    {1008, "header时间戳不能为空", "Request timestamp missing (header)"},
    {1009, "header sign不能为空", "Request signature missing (header)"},
    {1010, "sign签名错误", "Signature error"},
    {1012, "固件名称不能为空", "Firmware name required"},
    {1020, "日志内容不能为空", "Log text required"},
    {1021, "上传图片失败", "Upload failed"},
    {1022, "日志时间不能为空", "Log time required"},
    {1024, "添加日志失败", "Couldn't save log"},
    {1041, "添加意见反馈失败", "Couldn't send feedback"},
    {2000, "账户不能为空", "Account required"},
    {2001, "验证码不能为空", "Code required"},
    {2002, "注册时该账户已经存在", "Account already exists"},
    {2003, "账户不存在", "Account not found"},
    {2004, "验证码类型错误", "Invalid code type"},
    {2005, "请输入正确格式的手机号码", "Invalid phone number"},
    {2006, "验证码发送失败", "Code not sent"},
    {2008, "验证码已过期", "Code expired"},
    {2009, "验证码错误", "Wrong code"},
    {2010, "注册失败", "Registration failed"},
    {2011, "uuid不能为空", "UUID required"},
    {2012, "登录方式不能为空", "Sign-in method required"},
    {2013, "登录失败", "Sign-in failed"},
    {2014, "请在一分钟后发送验证码", "Wait 1 minute to resend"},
    {2015, "openId不能为空", "Sign-in data missing"},
    {2016, "登录来源平台不能为空", "Sign-in data missing"},
    {2020, "密码不能为空", "Password required"},
    {2021, "确认密码不能为空", "Confirm password"},
    {2022, "密码与确认密码不一致", "Passwords don't match"},
    {2023, "修改密码失败", "Couldn't change password"},
    {2025, "密码错误", "Wrong password"},
    {2030, "获取用户信息失败", "Couldn't load profile"},
    {2032, "修改用户信息失败", "Couldn't update profile"},
    {2034, "账号已经存在，不可修改", "Account already in use"},
    {2036, "新密码不能为空", "New password required"},
    {2038, "原始密码输入错误", "Wrong current password"},
    {2040, "原始密码不能为空", "Current password required"},
    {2042, "修改失败", "Update failed"},
    {2044, "修改账户失败", "Couldn't update account"},
    {2050, "分类id不能为空", "Category required"},
    {2052, "pid不能为空", "Invalid product"},
    {2080, "退出失败", "Sign-out failed"},
    {2082, "注销失败", "Couldn't delete account"},
    {3000, "请先填写名称", "Enter a name"},
    {3001, "请先填写简介", "Enter a description"},
    {3002, "用户信息缺失，请重试", "User ID missing"},
    {3003, "请选择产品", "Product required"},
    {3004, "请选择产品分类", "Pick a category"},
    {3005, "用户身份无效，请重新登录后再试", "Invalid user ID"},
    {3006, "产品信息无效，请重试", "Invalid product"},
    {3007, "分类无效，请重新选择", "Invalid category"},
    {3008, "名称不符合规范，请修改后重试", "Name not allowed. Try another"},
    {3009, "简介不符合规范，请修改后重试", "Description not allowed. Try another"},
    {4002, "token与uid不匹配", "Session error. Sign in again"},
};

} // namespace

class TestFriendlyErrorText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void apiCodes_data();
    void apiCodes();
    void sourceTextsWithoutCatalogue();
    void networkTexts_data();
    void networkTexts();
    void updateTexts_data();
    void updateTexts();
    void userApiTexts_data();
    void userApiTexts();

private:
    void useLanguage(const QString &language);
    std::unique_ptr<QTranslator> m_translator;
};

void TestFriendlyErrorText::initTestCase()
{
    QTranslator probe;
    QVERIFY(probe.load(QStringLiteral(":/i18n/VELKORA_en_US.qm")));
    QVERIFY(probe.load(QStringLiteral(":/i18n/VELKORA_zh_CN.qm")));
}

void TestFriendlyErrorText::cleanup()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
    m_translator.reset();
}

void TestFriendlyErrorText::useLanguage(const QString &language)
{
    cleanup();
    m_translator = std::make_unique<QTranslator>();
    QVERIFY(m_translator->load(QStringLiteral(":/i18n/VELKORA_%1.qm").arg(language)));
    QVERIFY(QCoreApplication::installTranslator(m_translator.get()));
}

void TestFriendlyErrorText::apiCodes_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    for (const CodeRow &row : codeRows) {
        QTest::addRow("zh %d", row.code) << "zh_CN" << row.code << QString::fromUtf8(row.zh);
        QTest::addRow("en %d", row.code) << "en_US" << row.code << QString::fromUtf8(row.en);
    }
    for (int code : {0, 5000, -4, 1001, 2007}) {
        QTest::addRow("zh fallback %d", code) << "zh_CN" << code << QStringLiteral("操作失败，请稍后再试。（%1）").arg(code);
        QTest::addRow("en fallback %d", code) << "en_US" << code
                                               << QStringLiteral("Something went wrong. Try again. (%1)").arg(code);
    }
}

void TestFriendlyErrorText::apiCodes()
{
    QFETCH(QString, language);
    QFETCH(int, code);
    QFETCH(QString, text);
    useLanguage(language);
    QCOMPARE(friendlyApiErrorText(code), text);
}

void TestFriendlyErrorText::sourceTextsWithoutCatalogue()
{
    QCOMPARE(friendlyApiErrorText(3000), QStringLiteral("名字为空"));
    QCOMPARE(friendlyApiErrorText(-1), QStringLiteral("网络异常，请重试"));
    QCOMPARE(friendlyNetworkErrorText(QStringLiteral("Connection refused")), QStringLiteral("无法连接，请稍后重试。"));
}

void TestFriendlyErrorText::networkTexts_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("zh");
    QTest::addColumn<QString>("en");

    const QString reach = QStringLiteral("连不上服务器，请检查网络。");
    const QString reachEn = QStringLiteral("Can't reach server. Check network.");
    QTest::newRow("host not found, mixed case") << "HOST api.example.com NOT FOUND" << reach << reachEn;
    QTest::newRow("could not resolve host") << "Could not resolve host: x" << reach << reachEn;
    QTest::newRow("refused") << "Connection refused" << "无法连接，请稍后重试。" << "Can't connect. Try again later.";
    QTest::newRow("timed out") << "Socket operation timed out" << "连接超时，请重试。" << "Timed out. Try again.";
    QTest::newRow("timeout") << "Network timeout" << "连接超时，请重试。" << "Timed out. Try again.";
    QTest::newRow("no route") << "No route to host" << "无网络，请检查连接。" << "No network. Check connection.";
    QTest::newRow("network unreachable") << "Network is unreachable" << "无网络，请检查连接。"
                                         << "No network. Check connection.";
    QTest::newRow("name resolution") << "Temporary failure in name resolution" << "无法解析服务器，请检查网络。"
                                     << "Can't resolve server. Check network.";
    QTest::newRow("name or service") << "Name or service not known" << "无法解析服务器，请检查网络。"
                                     << "Can't resolve server. Check network.";
    QTest::newRow("begins with host") << "  Host closed the connection" << reach << reachEn;
    QTest::newRow("download hosting") << "Error transferring https://fw.OSS.velkora.com/a.ufw" << reach << reachEn;
    QTest::newRow("download cdn") << "ssl error at cdn.velkora.com" << reach << reachEn;
    QTest::newRow("not found without host") << "Not Found" << "" << "";
    QTest::newRow("blanks") << "   " << "" << "";
    QTest::newRow("empty") << "" << "" << "";
}

void TestFriendlyErrorText::networkTexts()
{
    QFETCH(QString, input);
    QFETCH(QString, zh);
    QFETCH(QString, en);
    useLanguage(QStringLiteral("zh_CN"));
    QCOMPARE(friendlyNetworkErrorText(input), zh);
    useLanguage(QStringLiteral("en_US"));
    QCOMPARE(friendlyNetworkErrorText(input), en);
}

void TestFriendlyErrorText::updateTexts_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("zh");
    QTest::addColumn<QString>("en");

    QTest::newRow("sha mismatch") << "SHA-256 mismatch. The file was deleted for safety." << "安装包校验失败，请重新下载。"
                                  << "Package verification failed. Download again.";
    QTest::newRow("sha mismatch, file kept") << "SHA-256 mismatch. The file could not be deleted: /c/a.exe"
                                             << "安装包校验失败，请重新下载。"
                                             << "Package verification failed. Download again.";
    QTest::newRow("read-back without answer")
        << "SHA-256 not verified: the installer could not be read back within 600 s. The file was deleted for safety."
        << "安装包校验失败，请重新下载。" << "Package verification failed. Download again.";
    QTest::newRow("installer too large") << "Installer download is larger than the limit of 1073741824 bytes" << ""
                                         << "";
    QTest::newRow("write") << "Failed to write download file" << "磁盘写入失败，请检查磁盘空间。"
                           << "Couldn't write to disk. Check free space.";
    QTest::newRow("finalize") << "Cannot finalize the installer file" << "无法保存安装包，请检查磁盘空间。"
                              << "Couldn't save installer. Check free space.";
    QTest::newRow("type") << "Only .exe or .msi installers are allowed" << "安装包格式无效。" << "Invalid installer package.";
    QTest::newRow("https") << "Plain http is disabled; use https:// URLs" << "无法下载更新，请稍后再试。"
                           << "Couldn't download update. Try again later.";
    QTest::newRow("start") << "Failed to start installer" << "无法启动安装程序，请稍后重试。"
                           << "Couldn't start installer. Try again later.";
    QTest::newRow("manual") << "Downloaded. Please run it manually." << "无法启动安装程序，请稍后重试。"
                            << "Couldn't start installer. Try again later.";
    QTest::newRow("manifest") << "Manifest signature validation failed: x" << "更新清单校验失败，请稍后再试。"
                              << "Couldn't verify update info. Try again later.";
    QTest::newRow("tls") << "TLS handshake failed" << "安全连接失败，请检查网络或系统时间。"
                         << "Secure connection failed. Check network and clock.";
    QTest::newRow("canceled") << "Operation canceled" << "下载已中断。" << "Download interrupted.";
    QTest::newRow("cancelled") << "operation cancelled by user" << "下载已中断。" << "Download interrupted.";
    QTest::newRow("403") << "server replied: 403 Forbidden" << "服务器拒绝了下载请求，请稍后再试。"
                         << "Download blocked by server. Try again later.";
    QTest::newRow("404") << "HTTP 404" << "找不到更新文件，请稍后再试。" << "Update file not found. Try again later.";
    QTest::newRow("network rules first") << "manifest signature fetch timeout" << "连接超时，请重试。"
                                         << "Timed out. Try again.";
    QTest::newRow("no rule") << "Something odd" << "" << "";
    QTest::newRow("blanks") << "  " << "" << "";
}

void TestFriendlyErrorText::updateTexts()
{
    QFETCH(QString, input);
    QFETCH(QString, zh);
    QFETCH(QString, en);
    useLanguage(QStringLiteral("zh_CN"));
    QCOMPARE(friendlyUpdateErrorText(input), zh);
    useLanguage(QStringLiteral("en_US"));
    QCOMPARE(friendlyUpdateErrorText(input), en);
}

void TestFriendlyErrorText::userApiTexts_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("en");
    QTest::newRow("2038") << "原始密码输入错误" << "Current Password Incorrect";
    QTest::newRow("2042") << "修改失败" << "Update Failed";
    QTest::newRow("no image address") << "服务器未返回图片地址" << "The server did not return the image address";
}

void TestFriendlyErrorText::userApiTexts()
{
    QFETCH(QString, source);
    QFETCH(QString, en);
    useLanguage(QStringLiteral("en_US"));
    QCOMPARE(QCoreApplication::translate("EarphoneApi::UserApi", source.toUtf8().constData()), en);
    useLanguage(QStringLiteral("zh_CN"));
    QCOMPARE(QCoreApplication::translate("EarphoneApi::UserApi", source.toUtf8().constData()), source);
}

QTEST_MAIN(TestFriendlyErrorText)
#include "tst_friendlyerrortext.moc"
