<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>SearchWidget</name>
    <message>
        <location filename="../SearchWidget.cpp" line="90"/>
        <source>请输入关键字/分享码...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../SearchWidget.cpp" line="91"/>
        <source>搜索</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
