#include "cloud/FriendlyErrorText.h"

#include <QCoreApplication>

#include <initializer_list>

namespace EarphoneApi {

namespace {

struct CodeText
{
    int code;
    const char *text;
};

// clang-format off
constexpr CodeText apiErrorTexts[] = {
    {-3, QT_TRANSLATE_NOOP("ApiError", "响应格式无效")},
    {-2, QT_TRANSLATE_NOOP("ApiError", "数据解析失败")},
    {-1, QT_TRANSLATE_NOOP("ApiError", "网络异常，请重试")},
    {1000, QT_TRANSLATE_NOOP("ApiError", "接口地址错误")},
    {1002, QT_TRANSLATE_NOOP("ApiError", "token不能为空")},
    {1003, QT_TRANSLATE_NOOP("ApiError", "token无效，请重新登录")},
    {1004, QT_TRANSLATE_NOOP("ApiError", "token已经过期，请重新登录")},
    {1005, QT_TRANSLATE_NOOP("ApiError", "该用户已经注销")},
    {1006, QT_TRANSLATE_NOOP("ApiError", "页码不能为空")},
    {1007, QT_TRANSLATE_NOOP("ApiError", "每页条数不能为空")},
    {1008, QT_TRANSLATE_NOOP("ApiError", "header时间戳不能为空")},
    {1009, QT_TRANSLATE_NOOP("ApiError", "header sign不能为空")},
    {1010, QT_TRANSLATE_NOOP("ApiError", "sign签名错误")},
    {1012, QT_TRANSLATE_NOOP("ApiError", "固件名称不能为空")},
    {1020, QT_TRANSLATE_NOOP("ApiError", "日志内容不能为空")},
    {1021, QT_TRANSLATE_NOOP("ApiError", "上传图片失败")},
    {1022, QT_TRANSLATE_NOOP("ApiError", "日志时间不能为空")},
    {1024, QT_TRANSLATE_NOOP("ApiError", "添加日志失败")},
    {1041, QT_TRANSLATE_NOOP("ApiError", "添加意见反馈失败")},
    {2000, QT_TRANSLATE_NOOP("ApiError", "账户不能为空")},
    {2001, QT_TRANSLATE_NOOP("ApiError", "验证码不能为空")},
    {2002, QT_TRANSLATE_NOOP("ApiError", "注册时该账户已经存在")},
    {2003, QT_TRANSLATE_NOOP("ApiError", "账户不存在")},
    {2004, QT_TRANSLATE_NOOP("ApiError", "验证码类型错误")},
    {2005, QT_TRANSLATE_NOOP("ApiError", "请输入正确格式的手机号码")},
    {2006, QT_TRANSLATE_NOOP("ApiError", "验证码发送失败")},
    {2008, QT_TRANSLATE_NOOP("ApiError", "验证码已过期")},
    {2009, QT_TRANSLATE_NOOP("ApiError", "验证码错误")},
    {2010, QT_TRANSLATE_NOOP("ApiError", "注册失败")},
    {2011, QT_TRANSLATE_NOOP("ApiError", "uuid不能为空")},
    {2012, QT_TRANSLATE_NOOP("ApiError", "登录方式不能为空")},
    {2013, QT_TRANSLATE_NOOP("ApiError", "登录失败")},
    {2014, QT_TRANSLATE_NOOP("ApiError", "请在一分钟后发送验证码")},
    {2015, QT_TRANSLATE_NOOP("ApiError", "openId不能为空")},
    {2016, QT_TRANSLATE_NOOP("ApiError", "登录来源平台不能为空")},
    {2020, QT_TRANSLATE_NOOP("ApiError", "密码不能为空")},
    {2021, QT_TRANSLATE_NOOP("ApiError", "确认密码不能为空")},
    {2022, QT_TRANSLATE_NOOP("ApiError", "密码与确认密码不一致")},
    {2023, QT_TRANSLATE_NOOP("ApiError", "修改密码失败")},
    {2025, QT_TRANSLATE_NOOP("ApiError", "密码错误")},
    {2030, QT_TRANSLATE_NOOP("ApiError", "获取用户信息失败")},
    {2032, QT_TRANSLATE_NOOP("ApiError", "修改用户信息失败")},
    {2034, QT_TRANSLATE_NOOP("ApiError", "账号已经存在，不可修改")},
    {2036, QT_TRANSLATE_NOOP("ApiError", "新密码不能为空")},
    {2038, QT_TRANSLATE_NOOP("ApiError", "原始密码输入错误")},
    {2040, QT_TRANSLATE_NOOP("ApiError", "原始密码不能为空")},
    {2042, QT_TRANSLATE_NOOP("ApiError", "修改失败")},
    {2044, QT_TRANSLATE_NOOP("ApiError", "修改账户失败")},
    {2050, QT_TRANSLATE_NOOP("ApiError", "分类id不能为空")},
    {2052, QT_TRANSLATE_NOOP("ApiError", "pid不能为空")},
    {2080, QT_TRANSLATE_NOOP("ApiError", "退出失败")},
    {2082, QT_TRANSLATE_NOOP("ApiError", "注销失败")},
    {3000, QT_TRANSLATE_NOOP("ApiError", "名字为空")},
    {3001, QT_TRANSLATE_NOOP("ApiError", "描述为空")},
    {3002, QT_TRANSLATE_NOOP("ApiError", "用户uid为空")},
    {3003, QT_TRANSLATE_NOOP("ApiError", "产品pid为空")},
    {3004, QT_TRANSLATE_NOOP("ApiError", "产品分类为空")},
    {3005, QT_TRANSLATE_NOOP("ApiError", "参数用户uid有误")},
    {3006, QT_TRANSLATE_NOOP("ApiError", "参数产品pid有误")},
    {3007, QT_TRANSLATE_NOOP("ApiError", "参数分类id有误")},
    {3008, QT_TRANSLATE_NOOP("ApiError", "请输入健康的名称")},
    {3009, QT_TRANSLATE_NOOP("ApiError", "请输入健康的简介")},
    {4002, QT_TRANSLATE_NOOP("ApiError", "token与uid不匹配")},
};
// clang-format on

bool containsAny(const QString &text, std::initializer_list<const char *> parts)
{
    for (const char *part : parts) {
        if (text.contains(QLatin1String(part)))
            return true;
    }
    return false;
}

bool containsAll(const QString &text, std::initializer_list<const char *> parts)
{
    for (const char *part : parts) {
        if (!text.contains(QLatin1String(part)))
            return false;
    }
    return true;
}

QString loginText(const char *text)
{
    return QCoreApplication::translate("LoginController", text);
}

// Host fragments of the storage that serves downloads; a transport error
// naming them is a reachability problem, whatever else it says.
constexpr const char *downloadHostFragments[] = {"oss.velkora.com", "cdn.velkora.com"};

} // namespace

QString friendlyApiErrorText(int errorCode)
{
    for (const CodeText &entry : apiErrorTexts) {
        if (entry.code == errorCode)
            return QCoreApplication::translate("ApiError", entry.text);
    }
    return QCoreApplication::translate("ApiError", "操作失败，请稍后再试。（%1）").arg(errorCode);
}

QString friendlyNetworkErrorText(const QString &errorText)
{
    const QString t = errorText.trimmed();
    if (t.isEmpty())
        return {};
    const QString low = t.toLower();

    if (low.contains(QLatin1String("host")) && containsAny(low, {"not found", "was not found", "could not resolve"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "连不上服务器，请检查网络。"));
    if (low.contains(QLatin1String("connection refused")))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "无法连接，请稍后重试。"));
    if (containsAny(low, {"timed out", "timeout"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "连接超时，请重试。"));
    if (containsAny(low, {"host unreachable", "no route to host", "network is unreachable", "network unreachable"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "无网络，请检查连接。"));
    if (containsAny(low, {"name or service not known", "temporary failure in name resolution"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "无法解析服务器，请检查网络。"));
    if (low.startsWith(QLatin1String("host ")))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "连不上服务器，请检查网络。"));
    for (const char *fragment : downloadHostFragments) {
        if (low.contains(QLatin1String(fragment)))
            return loginText(QT_TRANSLATE_NOOP("LoginController", "连不上服务器，请检查网络。"));
    }
    return {};
}

QString friendlyUpdateErrorText(const QString &errorText)
{
    const QString network = friendlyNetworkErrorText(errorText);
    if (!network.isEmpty())
        return network;
    const QString t = errorText.trimmed();
    if (t.isEmpty())
        return {};
    const QString low = t.toLower();

    if (containsAll(low, {"sha", "mismatch"}) || containsAll(low, {"sha", "not verified"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "安装包校验失败，请重新下载。"));
    if (containsAny(low, {"write download", "failed to write"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "磁盘写入失败，请检查磁盘空间。"));
    if (low.contains(QLatin1String("finalize")))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "无法保存安装包，请检查磁盘空间。"));
    if (containsAll(low, {"only .exe", "msi"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "安装包格式无效。"));
    if (containsAll(low, {"https://", "disabled"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "无法下载更新，请稍后再试。"));
    if (containsAny(low, {"failed to start installer", "run it manually"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "无法启动安装程序，请稍后重试。"));
    if (containsAll(low, {"manifest", "signature"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "更新清单校验失败，请稍后再试。"));
    if (containsAny(low, {"ssl", "certificate", "tls"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "安全连接失败，请检查网络或系统时间。"));
    if (containsAny(low, {"operation canceled", "operation cancelled"}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "下载已中断。"));
    if (containsAny(low, {" 403", "403 "}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "服务器拒绝了下载请求，请稍后再试。"));
    if (containsAny(low, {" 404", "404 "}))
        return loginText(QT_TRANSLATE_NOOP("LoginController", "找不到更新文件，请稍后再试。"));
    return {};
}

} // namespace EarphoneApi
