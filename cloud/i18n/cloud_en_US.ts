<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ApiError</name>
    <message>
        <source>响应格式无效</source>
        <translation>Invalid response format</translation>
    </message>
    <message>
        <source>数据解析失败</source>
        <translation>Couldn't parse server data</translation>
    </message>
    <message>
        <source>网络异常，请重试</source>
        <translation>Network error. Try again</translation>
    </message>
    <message>
        <source>接口地址错误</source>
        <translation>Invalid server address</translation>
    </message>
    <message>
        <source>token不能为空</source>
        <translation>Please sign in</translation>
    </message>
    <message>
        <source>token无效，请重新登录</source>
        <translation>Session invalid. Sign in again</translation>
    </message>
    <message>
        <source>token已经过期，请重新登录</source>
        <translation>Session expired. Sign in again</translation>
    </message>
    <message>
        <source>该用户已经注销</source>
        <translation>Account deleted</translation>
    </message>
    <message>
        <source>页码不能为空</source>
        <translation>Page index required</translation>
    </message>
    <message>
        <source>每页条数不能为空</source>
        <translation>Page size required</translation>
    </message>
    <message>
        <source>header时间戳不能为空</source>
        <translation>Request timestamp missing (header)</translation>
    </message>
    <message>
        <source>header sign不能为空</source>
        <translation>Request signature missing (header)</translation>
    </message>
    <message>
        <source>sign签名错误</source>
        <translation>Signature error</translation>
    </message>
    <message>
        <source>固件名称不能为空</source>
        <translation>Firmware name required</translation>
    </message>
    <message>
        <source>日志内容不能为空</source>
        <translation>Log text required</translation>
    </message>
    <message>
        <source>上传图片失败</source>
        <translation>Upload failed</translation>
    </message>
    <message>
        <source>日志时间不能为空</source>
        <translation>Log time required</translation>
    </message>
    <message>
        <source>添加日志失败</source>
        <translation>Couldn't save log</translation>
    </message>
    <message>
        <source>添加意见反馈失败</source>
        <translation>Couldn't send feedback</translation>
    </message>
    <message>
        <source>账户不能为空</source>
        <translation>Account required</translation>
    </message>
    <message>
        <source>验证码不能为空</source>
        <translation>Code required</translation>
    </message>
    <message>
        <source>注册时该账户已经存在</source>
        <translation>Account already exists</translation>
    </message>
    <message>
        <source>账户不存在</source>
        <translation>Account not found</translation>
    </message>
    <message>
        <source>验证码类型错误</source>
        <translation>Invalid code type</translation>
    </message>
    <message>
        <source>请输入正确格式的手机号码</source>
        <translation>Invalid phone number</translation>
    </message>
    <message>
        <source>验证码发送失败</source>
        <translation>Code not sent</translation>
    </message>
    <message>
        <source>验证码已过期</source>
        <translation>Code expired</translation>
    </message>
    <message>
        <source>验证码错误</source>
        <translation>Wrong code</translation>
    </message>
    <message>
        <source>注册失败</source>
        <translation>Registration failed</translation>
    </message>
    <message>
        <source>uuid不能为空</source>
        <translation>UUID required</translation>
    </message>
    <message>
        <source>登录方式不能为空</source>
        <translation>Sign-in method required</translation>
    </message>
    <message>
        <source>登录失败</source>
        <translation>Sign-in failed</translation>
    </message>
    <message>
        <source>请在一分钟后发送验证码</source>
        <translation>Wait 1 minute to resend</translation>
    </message>
    <message>
        <source>openId不能为空</source>
        <translation>Sign-in data missing</translation>
    </message>
    <message>
        <source>登录来源平台不能为空</source>
        <translation>Sign-in data missing</translation>
    </message>
    <message>
        <source>密码不能为空</source>
        <translation>Password required</translation>
    </message>
    <message>
        <source>确认密码不能为空</source>
        <translation>Confirm password</translation>
    </message>
    <message>
        <source>密码与确认密码不一致</source>
        <translation>Passwords don't match</translation>
    </message>
    <message>
        <source>修改密码失败</source>
        <translation>Couldn't change password</translation>
    </message>
    <message>
        <source>密码错误</source>
        <translation>Wrong password</translation>
    </message>
    <message>
        <source>获取用户信息失败</source>
        <translation>Couldn't load profile</translation>
    </message>
    <message>
        <source>修改用户信息失败</source>
        <translation>Couldn't update profile</translation>
    </message>
    <message>
        <source>账号已经存在，不可修改</source>
        <translation>Account already in use</translation>
    </message>
    <message>
        <source>新密码不能为空</source>
        <translation>New password required</translation>
    </message>
    <message>
        <source>原始密码输入错误</source>
        <translation>Wrong current password</translation>
    </message>
    <message>
        <source>原始密码不能为空</source>
        <translation>Current password required</translation>
    </message>
    <message>
        <source>修改失败</source>
        <translation>Update failed</translation>
    </message>
    <message>
        <source>修改账户失败</source>
        <translation>Couldn't update account</translation>
    </message>
    <message>
        <source>分类id不能为空</source>
        <translation>Category required</translation>
    </message>
    <message>
        <source>pid不能为空</source>
        <translation>Invalid product</translation>
    </message>
    <message>
        <source>退出失败</source>
        <translation>Sign-out failed</translation>
    </message>
    <message>
        <source>注销失败</source>
        <translation>Couldn't delete account</translation>
    </message>
    <message>
        <source>名字为空</source>
        <translation>Enter a name</translation>
    </message>
    <message>
        <source>描述为空</source>
        <translation>Enter a description</translation>
    </message>
    <message>
        <source>用户uid为空</source>
        <translation>User ID missing</translation>
    </message>
    <message>
        <source>产品pid为空</source>
        <translation>Product required</translation>
    </message>
    <message>
        <source>产品分类为空</source>
        <translation>Pick a category</translation>
    </message>
    <message>
        <source>参数用户uid有误</source>
        <translation>Invalid user ID</translation>
    </message>
    <message>
        <source>参数产品pid有误</source>
        <translation>Invalid product</translation>
    </message>
    <message>
        <source>参数分类id有误</source>
        <translation>Invalid category</translation>
    </message>
    <message>
        <source>请输入健康的名称</source>
        <translation>Name not allowed. Try another</translation>
    </message>
    <message>
        <source>请输入健康的简介</source>
        <translation>Description not allowed. Try another</translation>
    </message>
    <message>
        <source>token与uid不匹配</source>
        <translation>Session error. Sign in again</translation>
    </message>
    <message>
        <source>操作失败，请稍后再试。（%1）</source>
        <translation>Something went wrong. Try again. (%1)</translation>
    </message>
</context>
<context>
    <name>EarphoneApi::UserApi</name>
    <message>
        <source>原始密码输入错误</source>
        <translation>Current Password Incorrect</translation>
    </message>
    <message>
        <source>修改失败</source>
        <translation>Update Failed</translation>
    </message>
    <message>
        <source>服务器未返回图片地址</source>
        <translation>The server did not return the image address</translation>
    </message>
</context>
<context>
    <name>LoginController</name>
    <message>
        <source>连不上服务器，请检查网络。</source>
        <translation>Can't reach server. Check network.</translation>
    </message>
    <message>
        <source>无法连接，请稍后重试。</source>
        <translation>Can't connect. Try again later.</translation>
    </message>
    <message>
        <source>连接超时，请重试。</source>
        <translation>Timed out. Try again.</translation>
    </message>
    <message>
        <source>无网络，请检查连接。</source>
        <translation>No network. Check connection.</translation>
    </message>
    <message>
        <source>无法解析服务器，请检查网络。</source>
        <translation>Can't resolve server. Check network.</translation>
    </message>
    <message>
        <source>安装包校验失败，请重新下载。</source>
        <translation>Package verification failed. Download again.</translation>
    </message>
    <message>
        <source>磁盘写入失败，请检查磁盘空间。</source>
        <translation>Couldn't write to disk. Check free space.</translation>
    </message>
    <message>
        <source>无法保存安装包，请检查磁盘空间。</source>
        <translation>Couldn't save installer. Check free space.</translation>
    </message>
    <message>
        <source>安装包格式无效。</source>
        <translation>Invalid installer package.</translation>
    </message>
    <message>
        <source>无法下载更新，请稍后再试。</source>
        <translation>Couldn't download update. Try again later.</translation>
    </message>
    <message>
        <source>无法启动安装程序，请稍后重试。</source>
        <translation>Couldn't start installer. Try again later.</translation>
    </message>
    <message>
        <source>更新清单校验失败，请稍后再试。</source>
        <translation>Couldn't verify update info. Try again later.</translation>
    </message>
    <message>
        <source>安全连接失败，请检查网络或系统时间。</source>
        <translation>Secure connection failed. Check network and clock.</translation>
    </message>
    <message>
        <source>下载已中断。</source>
        <translation>Download interrupted.</translation>
    </message>
    <message>
        <source>服务器拒绝了下载请求，请稍后再试。</source>
        <translation>Download blocked by server. Try again later.</translation>
    </message>
    <message>
        <source>找不到更新文件，请稍后再试。</source>
        <translation>Update file not found. Try again later.</translation>
    </message>
    <message>
        <source>网络异常，请重试</source>
        <translation>Network error. Try again</translation>
    </message>
    <message>
        <source>登录已失效，请重新登录</source>
        <translation>Session expired. Sign in again</translation>
    </message>
    <message>
        <source>账号数据异常，请重新登录</source>
        <translation>Account error. Sign in again</translation>
    </message>
    <message>
        <source>账号同步失败，请检查网络后重试。</source>
        <translation>Sync failed. Check network and retry.</translation>
    </message>
    <message>
        <source>同步失败，请检查网络。</source>
        <translation>Sync failed. Check network.</translation>
    </message>
    <message>
        <source>同步失败：%1</source>
        <translation>Sync failed: %1</translation>
    </message>
</context>
</TS>
