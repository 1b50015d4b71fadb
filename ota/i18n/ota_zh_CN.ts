<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>LegacyFirmwareRecoveryCoordinator</name>
    <message>
        <location filename="../LegacyFirmwareRecoveryCoordinator.cpp" line="189"/>
        <source>未找到可用固件：请将耳机（remote）与 dongle 的 .ufw 放入应用程序目录下的 firmware 文件夹。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../LegacyFirmwareRecoveryCoordinator.cpp" line="132"/>
        <source>无法释放 HID 设备，升级未开始。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ManualFirmwareOtaCoordinator</name>
    <message>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="134"/>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="192"/>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="276"/>
        <source>升级失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="166"/>
        <source>未知错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="311"/>
        <source>固件下载失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="313"/>
        <source>升级未开始。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
