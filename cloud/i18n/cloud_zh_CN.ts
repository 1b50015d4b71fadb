<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>ApiError</name>
    <message>
        <source>响应格式无效</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据解析失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>网络异常，请重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>接口地址错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>token不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>token无效，请重新登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>token已经过期，请重新登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>该用户已经注销</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>页码不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>每页条数不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>header时间戳不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>header sign不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>sign签名错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>固件名称不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>日志内容不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上传图片失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>日志时间不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加日志失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加意见反馈失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>账户不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证码不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>注册时该账户已经存在</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>账户不存在</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证码类型错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入正确格式的手机号码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证码发送失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证码已过期</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证码错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>注册失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>uuid不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录方式不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请在一分钟后发送验证码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>openId不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录来源平台不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>密码不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认密码不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>密码与确认密码不一致</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改密码失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>密码错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>获取用户信息失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改用户信息失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>账号已经存在，不可修改</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新密码不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>原始密码输入错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>原始密码不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改账户失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分类id不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>pid不能为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>注销失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>名字为空</source>
        <translation>请先填写名称</translation>
    </message>
    <message>
        <source>描述为空</source>
        <translation>请先填写简介</translation>
    </message>
    <message>
        <source>用户uid为空</source>
        <translation>用户信息缺失，请重试</translation>
    </message>
    <message>
        <source>产品pid为空</source>
        <translation>请选择产品</translation>
    </message>
    <message>
        <source>产品分类为空</source>
        <translation>请选择产品分类</translation>
    </message>
    <message>
        <source>参数用户uid有误</source>
        <translation>用户身份无效，请重新登录后再试</translation>
    </message>
    <message>
        <source>参数产品pid有误</source>
        <translation>产品信息无效，请重试</translation>
    </message>
    <message>
        <source>参数分类id有误</source>
        <translation>分类无效，请重新选择</translation>
    </message>
    <message>
        <source>请输入健康的名称</source>
        <translation>名称不符合规范，请修改后重试</translation>
    </message>
    <message>
        <source>请输入健康的简介</source>
        <translation>简介不符合规范，请修改后重试</translation>
    </message>
    <message>
        <source>token与uid不匹配</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>操作失败，请稍后再试。（%1）</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EarphoneApi::UserApi</name>
    <message>
        <source>原始密码输入错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>服务器未返回图片地址</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LoginController</name>
    <message>
        <source>连不上服务器，请检查网络。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法连接，请稍后重试。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接超时，请重试。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无网络，请检查连接。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法解析服务器，请检查网络。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>安装包校验失败，请重新下载。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>磁盘写入失败，请检查磁盘空间。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法保存安装包，请检查磁盘空间。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>安装包格式无效。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法下载更新，请稍后再试。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法启动安装程序，请稍后重试。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>更新清单校验失败，请稍后再试。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>安全连接失败，请检查网络或系统时间。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下载已中断。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>服务器拒绝了下载请求，请稍后再试。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>找不到更新文件，请稍后再试。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>网络异常，请重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录已失效，请重新登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>账号数据异常，请重新登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>账号同步失败，请检查网络后重试。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>同步失败，请检查网络。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>同步失败：%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
