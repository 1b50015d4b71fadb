<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ChangePasswordDialog</name>
    <message>
        <location filename="../ChangePasswordDialog.cpp" line="14"/>
        <source>请输入旧密码</source>
        <translation>Enter current password</translation>
    </message>
    <message>
        <location filename="../ChangePasswordDialog.cpp" line="15"/>
        <source>请输入新密码</source>
        <translation>Enter new password</translation>
    </message>
    <message>
        <location filename="../ChangePasswordDialog.cpp" line="30"/>
        <source>忘记密码?</source>
        <translation>Forgot password?</translation>
    </message>
    <message>
        <location filename="../ChangePasswordDialog.cpp" line="37"/>
        <source>修改密码</source>
        <translation>Change password</translation>
    </message>
    <message>
        <location filename="../ChangePasswordDialog.cpp" line="37"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CustomSettingsForm</name>
    <message>
        <location filename="../LoginAgreementRow.cpp" line="62"/>
        <source>https://velkora.example/privacy?lang=zh</source>
        <translation>https://velkora.example/privacy?lang=en</translation>
    </message>
    <message>
        <location filename="../LoginAgreementRow.cpp" line="63"/>
        <source>https://velkora.example/terms?lang=zh</source>
        <translation>https://velkora.example/terms?lang=en</translation>
    </message>
</context>
<context>
    <name>CustomUserProfilePage</name>
    <message>
        <location filename="../CustomUserProfilePage.cpp" line="214"/>
        <source>昵称</source>
        <translation>Nickname</translation>
    </message>
    <message>
        <location filename="../CustomUserProfilePage.cpp" line="215"/>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <location filename="../CustomUserProfilePage.cpp" line="216"/>
        <source>邮箱</source>
        <translation>Email</translation>
    </message>
    <message>
        <location filename="../CustomUserProfilePage.cpp" line="217"/>
        <source>手机号</source>
        <translation>Phone number</translation>
    </message>
    <message>
        <location filename="../CustomUserProfilePage.cpp" line="219"/>
        <source>修改</source>
        <translation>Modify</translation>
    </message>
    <message>
        <location filename="../CustomUserProfilePage.cpp" line="220"/>
        <source>退出登录</source>
        <translation>Logout</translation>
    </message>
</context>
<context>
    <name>EditAvatarDialog</name>
    <message>
        <location filename="../EditAvatarDialog.cpp" line="64"/>
        <source>修改头像</source>
        <translation>Change avatar</translation>
    </message>
    <message>
        <location filename="../EditAvatarDialog.cpp" line="66"/>
        <source>支持JPG，PNG格式，文件大小不超过2MB</source>
        <translation>JPG and PNG supported; file size up to 2 MB</translation>
    </message>
    <message>
        <location filename="../EditAvatarDialog.cpp" line="67"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../EditAvatarDialog.cpp" line="68"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../EditAvatarDialog.cpp" line="110"/>
        <source>选择图片</source>
        <translation>Choose image</translation>
    </message>
    <message>
        <location filename="../EditAvatarDialog.cpp" line="126"/>
        <source>文件大小不能超过 2MB</source>
        <translation>File size must not exceed 2 MB</translation>
    </message>
    <message>
        <location filename="../EditAvatarDialog.cpp" line="131"/>
        <source>请选择 JPG 或 PNG 格式的图片</source>
        <translation>Please choose a JPG or PNG image</translation>
    </message>
    <message>
        <location filename="../EditAvatarDialog.cpp" line="136"/>
        <source>无法读取该图片文件</source>
        <translation>Unable to read this image file</translation>
    </message>
</context>
<context>
    <name>EditEmailDialog</name>
    <message>
        <location filename="../EditEmailDialog.cpp" line="7"/>
        <source>修改邮箱</source>
        <translation>Change email</translation>
    </message>
    <message>
        <location filename="../EditEmailDialog.cpp" line="7"/>
        <source>请输入新邮箱</source>
        <translation>Enter new email</translation>
    </message>
    <message>
        <location filename="../EditEmailDialog.cpp" line="7"/>
        <source>请输入验证码</source>
        <translation>Enter verification code</translation>
    </message>
    <message>
        <location filename="../EditEmailDialog.cpp" line="7"/>
        <source>获取验证码</source>
        <translation>Get code</translation>
    </message>
    <message>
        <location filename="../EditEmailDialog.cpp" line="7"/>
        <source>%1s</source>
        <translation>%1s</translation>
    </message>
    <message>
        <location filename="../EditEmailDialog.cpp" line="8"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>EditNicknameDialog</name>
    <message>
        <location filename="../EditNicknameDialog.cpp" line="82"/>
        <source>修改昵称</source>
        <translation>Edit nickname</translation>
    </message>
    <message>
        <location filename="../EditNicknameDialog.cpp" line="84"/>
        <source>请输入昵称</source>
        <translation>Enter a nickname</translation>
    </message>
    <message>
        <location filename="../EditNicknameDialog.cpp" line="85"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../EditNicknameDialog.cpp" line="86"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>EditPhoneDialog</name>
    <message>
        <location filename="../EditPhoneDialog.cpp" line="7"/>
        <source>修改手机号</source>
        <translation>Change phone number</translation>
    </message>
    <message>
        <location filename="../EditPhoneDialog.cpp" line="7"/>
        <source>请输入新手机号</source>
        <translation>Enter new phone number</translation>
    </message>
    <message>
        <location filename="../EditPhoneDialog.cpp" line="7"/>
        <source>请输入验证码</source>
        <translation>Enter verification code</translation>
    </message>
    <message>
        <location filename="../EditPhoneDialog.cpp" line="7"/>
        <source>获取验证码</source>
        <translation>Get code</translation>
    </message>
    <message>
        <location filename="../EditPhoneDialog.cpp" line="7"/>
        <source>%1s</source>
        <translation>%1s</translation>
    </message>
    <message>
        <location filename="../EditPhoneDialog.cpp" line="8"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>PasswordPolicy</name>
    <message>
        <location filename="../PasswordPolicy.cpp" line="16"/>
        <source>密码须为6-16位，以字母开头，仅含字母与数字</source>
        <translation>Password must be 6–16 characters, start with a letter, and contain only letters and digits</translation>
    </message>
</context>
<context>
    <name>widgetForgotpassMoudle</name>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="47"/>
        <source>忘记密码</source>
        <translation>Forgot password</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="142"/>
        <location filename="../widgetForgotpassMoudle.cpp" line="161"/>
        <source>账号不能为空</source>
        <translation>Account is required</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="143"/>
        <source>请输入正确的邮箱地址</source>
        <translation>Please enter valid email address</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="143"/>
        <source>请输入正确的手机号</source>
        <translation>Please enter valid phone number</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="163"/>
        <source>验证码不能为空</source>
        <translation>Verification code is required</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="165"/>
        <source>密码不能为空</source>
        <translation>Password is required</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="167"/>
        <source>再次确认密码不能为空</source>
        <translation>Password Confirmation Cannot Be Empty</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="169"/>
        <source>两次输入的密码不一致</source>
        <translation>Passwords do not match</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="206"/>
        <source>%1s</source>
        <translation>%1s</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="206"/>
        <source>获取验证码</source>
        <translation>Get Code</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="211"/>
        <source>忘记密码？</source>
        <translation>Forgot password?</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="212"/>
        <source>请输入手机号或邮箱</source>
        <translation>Please enter phone number or email</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="213"/>
        <source>请输入验证码</source>
        <translation>Enter verification code</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="214"/>
        <source>请输入密码</source>
        <translation>Please enter password</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="215"/>
        <source>请再次输入密码</source>
        <translation>Please re-enter password</translation>
    </message>
    <message>
        <location filename="../widgetForgotpassMoudle.cpp" line="217"/>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>widgetLoginMoudle</name>
    <message>
        <location filename="../LoginAgreementRow.cpp" line="64"/>
        <source>&lt;html&gt;&lt;style&gt;a:hover { color: #FFFFFF; }&lt;/style&gt;已读并同意&lt;a style=&apos;color: white; text-decoration: none&apos; href=&quot;%1&quot;&gt;《隐私政策》&lt;/a&gt;和&lt;a style=&apos;color: white; text-decoration: none&apos; href=&quot;%2&quot;&gt;《用户协议》&lt;/a&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;style&gt;a:hover { color: #FFFFFF; }&lt;/style&gt;Please read and agree to the&lt;a style=&apos;color: white; text-decoration: none&apos; href=&quot;%1&quot;&gt;《Privacy Policy》&lt;/a&gt;and the&lt;a style=&apos;color: white; text-decoration: none&apos; href=&quot;%2&quot;&gt;《User Agreement》&lt;/a&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="148"/>
        <source>请输入邮箱</source>
        <translation>Please enter email</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="148"/>
        <source>请输入手机号</source>
        <translation>Please enter phone number</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="117"/>
        <location filename="../widgetLoginMoudle.cpp" line="155"/>
        <source>登录</source>
        <translation>Login</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="125"/>
        <source>请阅读并同意《隐私政策》和《用户协议》</source>
        <translation>Please read and agree to the 《Privacy Policy》 and the 《User Agreement》</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="131"/>
        <source>账号不能为空</source>
        <translation>Account is required</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="132"/>
        <source>请输入正确的邮箱地址</source>
        <translation>Please enter valid email address</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="132"/>
        <source>请输入正确的手机号</source>
        <translation>Please enter valid phone number</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="138"/>
        <source>密码不能为空</source>
        <translation>Password is required</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="142"/>
        <source>登录中…</source>
        <translation>Logging in...</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="148"/>
        <source>手机号</source>
        <translation>Phone Number</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="148"/>
        <source>邮箱</source>
        <translation>Email</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="149"/>
        <source>请输入密码</source>
        <translation>Please enter password</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="150"/>
        <source>没有账号?</source>
        <translation>No account?</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="151"/>
        <source>&lt;a style=&apos;color: #E4E4E4; text-decoration: none&apos; href =&apos; &apos;&gt;去注册</source>
        <translation>&lt;a style=&apos;color: #E4E4E4; text-decoration: none&apos; href =&apos; &apos;&gt;Register now</translation>
    </message>
    <message>
        <location filename="../widgetLoginMoudle.cpp" line="152"/>
        <source>&lt;a style=&apos;color: #E4E4E4; text-decoration: none&apos; href =&apos; &apos;&gt;忘记密码?</source>
        <translation>&lt;a style=&apos;color: #E4E4E4; text-decoration: none&apos; href =&apos; &apos;&gt;Forgot password?</translation>
    </message>
</context>
<context>
    <name>widgetRegisterMoudle</name>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="232"/>
        <source>请输入邮箱</source>
        <translation>Please enter email</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="232"/>
        <source>请输入手机号</source>
        <translation>Please enter phone number</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="146"/>
        <source>账号不能为空</source>
        <translation>Accout is required</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="147"/>
        <source>请输入正确的邮箱地址</source>
        <translation>Please enter valid email address</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="147"/>
        <source>请输入正确的手机号</source>
        <translation>Please enter valid phone number</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="169"/>
        <source>请阅读并同意《隐私政策》和《用户协议》</source>
        <translation>Please read and agree to the Privacy Policy and the User Agreement</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="179"/>
        <source>验证码不能为空</source>
        <translation>Verification code is required</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="183"/>
        <source>密码不能为空</source>
        <translation>Password is required</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="187"/>
        <source>再次确认密码不能为空</source>
        <translation>Please confirm your password</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="191"/>
        <source>两次输入的密码不一致</source>
        <translation>Passwords do not match</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="227"/>
        <source>%1s</source>
        <translation>%1s</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="227"/>
        <source>获取验证码</source>
        <translation>Get Code</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="232"/>
        <source>手机号</source>
        <translation>Phone Number</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="232"/>
        <source>邮箱</source>
        <translation>Email</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="233"/>
        <source>请输入验证码</source>
        <translation>Enter verification code</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="234"/>
        <source>请输入密码</source>
        <translation>Please enter password</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="235"/>
        <source>请再次输入密码</source>
        <translation>Please re-enter password</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="236"/>
        <source>已有账号?</source>
        <translation>Already Have an Account?</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="237"/>
        <source>&lt;a style=&apos;color: #E8E8E8; text-decoration: none&apos; href =&apos; &apos;&gt;去登录</source>
        <translation>&lt;a style=&apos;color: #E8E8E8; text-decoration: none&apos; href =&apos; &apos;&gt;Log in</translation>
    </message>
    <message>
        <location filename="../widgetRegisterMoudle.cpp" line="239"/>
        <source>注册</source>
        <translation>Register</translation>
    </message>
</context>
</TS>
