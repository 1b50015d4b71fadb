<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>FirmwareOtaProgressDialog</name>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="144"/>
        <source>接收器固件升级</source>
        <translation>Receiver firmware update</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="144"/>
        <source>耳机固件升级</source>
        <translation>Headset firmware update</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="206"/>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="288"/>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="297"/>
        <source>升级中 %1%</source>
        <translation>Updating %1%</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="222"/>
        <source>升级中 0%</source>
        <translation>Updating 0%</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="242"/>
        <source>立即升级</source>
        <translation>Upgrade now</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="260"/>
        <source>重新升级</source>
        <translation>Retry update</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="267"/>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="304"/>
        <source>升级失败</source>
        <translation>Update failed</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="313"/>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="320"/>
        <source>已是最新版本</source>
        <translation>Already on the latest version</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="320"/>
        <source>可更新版本：%1</source>
        <translation>Available update: %1</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="325"/>
        <source>当前版本：%1</source>
        <translation>Current version: %1</translation>
    </message>
</context>
<context>
    <name>UpdateDownloadProgressDialog</name>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="119"/>
        <source>更新内容</source>
        <translation>What's new</translation>
    </message>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="201"/>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="284"/>
        <source>升级中...</source>
        <translation>Updating...</translation>
    </message>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="231"/>
        <source>重试</source>
        <translation>Retry</translation>
    </message>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="257"/>
        <source>暂无更新说明</source>
        <translation>No release notes</translation>
    </message>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="319"/>
        <source>请稍后重试</source>
        <translation>Please try again later</translation>
    </message>
</context>
</TS>
