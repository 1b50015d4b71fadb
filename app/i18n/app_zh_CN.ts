<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>CustomSettingsForm</name>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="251"/>
        <location filename="../CustomSettingsForm.cpp" line="424"/>
        <source>简体中文</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="252"/>
        <location filename="../CustomSettingsForm.cpp" line="425"/>
        <source>English</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="420"/>
        <source>语言切换</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="428"/>
        <source>启动</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="429"/>
        <source>开机自启动</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="430"/>
        <source>启动后最小化</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="431"/>
        <source>关闭面板时</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="432"/>
        <source>关闭即退出程序</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="433"/>
        <source>关闭即最小化到托盘</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="434"/>
        <source>联系客服</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="435"/>
        <source>协议与关于</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="436"/>
        <source>当前版本：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="437"/>
        <source>关于我们</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="438"/>
        <source>隐私政策</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="439"/>
        <source>用户协议</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="441"/>
        <source>Copyright © VELKORA. 保留所有权利。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="454"/>
        <source>已是最新版本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="462"/>
        <source>版本过低</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="464"/>
        <source>需立即更新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="466"/>
        <source>有新版本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="558"/>
        <source>https://velkora.example/zh/about</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="564"/>
        <source>https://velkora.example/zh/privacy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="570"/>
        <source>https://velkora.example/zh/terms</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CustomTitleBar</name>
    <message>
        <location filename="../CustomTitleBar.cpp" line="35"/>
        <source>点击登录</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HeadphonesDevice</name>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="193"/>
        <location filename="../HeadphonesDevice.cpp" line="214"/>
        <location filename="../HeadphonesDevice.cpp" line="236"/>
        <source>设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="211"/>
        <location filename="../HeadphonesDevice.cpp" line="237"/>
        <source>我的设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="238"/>
        <source>个人信息</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="246"/>
        <source>点击登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="161"/>
        <source>VELKORA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="162"/>
        <source>显示主窗口</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="163"/>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SearchWidget</name>
    <message>
        <location filename="../kit/SearchWidget.cpp" line="90"/>
        <source>请输入关键字/分享码...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../kit/SearchWidget.cpp" line="91"/>
        <source>搜索</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
