<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>UpdateDownloadProgressDialog</name>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="119"/>
        <source>更新内容</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="201"/>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="284"/>
        <source>升级中...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="231"/>
        <source>重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="257"/>
        <source>暂无更新说明</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../UpdateDownloadProgressDialog.cpp" line="319"/>
        <source>请稍后重试</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
