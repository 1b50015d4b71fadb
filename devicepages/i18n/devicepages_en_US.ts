<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AudioConfigurationContent</name>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="160"/>
        <source>&lt;u&gt;Windows 声音设备&lt;/u&gt;</source>
        <translation>&lt;u&gt;Windows Audio Device&lt;/u&gt;</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="250"/>
        <source>检测到音量已被禁用</source>
        <translation>Volume Muted</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="250"/>
        <source>系统音量</source>
        <translation>System Volume</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="267"/>
        <source>检测到麦克风已被禁用</source>
        <translation>Mic Disabled</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="267"/>
        <source>麦克风</source>
        <translation>Mic</translation>
    </message>
</context>
</TS>
