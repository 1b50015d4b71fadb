<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>FirmwareOtaProgressDialog</name>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="177"/>
        <source>接收器固件升级</source>
        <translation>Receiver firmware update</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="177"/>
        <source>耳机固件升级</source>
        <translation>Headset firmware update</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="239"/>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="321"/>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="330"/>
        <source>升级中 %1%</source>
        <translation>Updating %1%</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="255"/>
        <source>升级中 0%</source>
        <translation>Updating 0%</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="275"/>
        <source>立即升级</source>
        <translation>Upgrade now</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="293"/>
        <source>重新升级</source>
        <translation>Retry update</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="300"/>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="337"/>
        <source>升级失败</source>
        <translation>Update failed</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="346"/>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="353"/>
        <source>已是最新版本</source>
        <translation>Already on the latest version</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="353"/>
        <source>可更新版本：%1</source>
        <translation>Available update: %1</translation>
    </message>
    <message>
        <location filename="../FirmwareOtaProgressDialog.cpp" line="358"/>
        <source>当前版本：%1</source>
        <translation>Current version: %1</translation>
    </message>
</context>
</TS>
