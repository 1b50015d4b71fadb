<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CustomSettingsForm</name>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="251"/>
        <location filename="../CustomSettingsForm.cpp" line="424"/>
        <source>简体中文</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="252"/>
        <location filename="../CustomSettingsForm.cpp" line="425"/>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="420"/>
        <source>语言切换</source>
        <translation>Language</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="428"/>
        <source>启动</source>
        <translation>Startup</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="429"/>
        <source>开机自启动</source>
        <translation>Launch on Startup</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="430"/>
        <source>启动后最小化</source>
        <translation>Minimize on Startup</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="431"/>
        <source>关闭面板时</source>
        <translation>When Closing the Window</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="432"/>
        <source>关闭即退出程序</source>
        <translation>Exit the Program</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="433"/>
        <source>关闭即最小化到托盘</source>
        <translation>Minimize to System Tray</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="434"/>
        <source>联系客服</source>
        <translation>Contact Us</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="435"/>
        <source>协议与关于</source>
        <translation>Agreements &amp; About</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="436"/>
        <source>当前版本：</source>
        <translation>Current Version：</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="437"/>
        <source>关于我们</source>
        <translation>About Us</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="438"/>
        <source>隐私政策</source>
        <translation>Privacy Policy</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="439"/>
        <source>用户协议</source>
        <translation>User Agreement</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="441"/>
        <source>Copyright © VELKORA. 保留所有权利。</source>
        <translation>Copyright © VELKORA. All rights reserved.</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="454"/>
        <source>已是最新版本</source>
        <translation>Up to date</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="462"/>
        <source>版本过低</source>
        <translation>Outdated</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="464"/>
        <source>需立即更新</source>
        <translation>Update required</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="466"/>
        <source>有新版本</source>
        <translation>New Version</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="558"/>
        <source>https://velkora.example/zh/about</source>
        <translation>https://velkora.example/en/about</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="564"/>
        <source>https://velkora.example/zh/privacy</source>
        <translation>https://velkora.example/en/privacy</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="570"/>
        <source>https://velkora.example/zh/terms</source>
        <translation>https://velkora.example/en/terms</translation>
    </message>
</context>
<context>
    <name>CustomTitleBar</name>
    <message>
        <location filename="../CustomTitleBar.cpp" line="35"/>
        <source>点击登录</source>
        <translation>Log In</translation>
    </message>
</context>
<context>
    <name>HeadphonesDevice</name>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="193"/>
        <location filename="../HeadphonesDevice.cpp" line="214"/>
        <location filename="../HeadphonesDevice.cpp" line="236"/>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="211"/>
        <location filename="../HeadphonesDevice.cpp" line="237"/>
        <source>我的设备</source>
        <translation>My Device</translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="238"/>
        <source>个人信息</source>
        <translation>Personal information</translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="246"/>
        <source>点击登录</source>
        <translation>Log In</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="161"/>
        <source>VELKORA</source>
        <translation>VELKORA</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="162"/>
        <source>显示主窗口</source>
        <translation>Show the main window</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="163"/>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>SearchWidget</name>
    <message>
        <location filename="../kit/SearchWidget.cpp" line="90"/>
        <source>请输入关键字/分享码...</source>
        <translation>Please enter keyword/share code…</translation>
    </message>
    <message>
        <location filename="../kit/SearchWidget.cpp" line="91"/>
        <source>搜索</source>
        <translation>Search</translation>
    </message>
</context>
</TS>
