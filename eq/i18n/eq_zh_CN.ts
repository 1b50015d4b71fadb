<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>EQCustomContent</name>
    <message>
        <source>自定义%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EQ JSON (*.json)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已导入并更新当前自定义槽位</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：无法读取文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：JSON 格式错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：EQ JSON 缺少必要字段或字段类型非法</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：QOR 自定义 EQ 要求 freq、q、sound、type 等长且 1～8 项</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：自定义 EQ 要求 freq、q、sound、type 各恰好 10 项</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：freq 数值非法</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：Q 数值非法</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：增益数值非法</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：滤波器类型字段非法</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：滤波器类型不支持</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入失败：EQ 数据解析失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已导入到曲线，但当前槽位 CustomEQ 路径为空</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已导入到曲线，但更新 CustomEQ 槽位失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请先选择一个自定义按钮</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出EQ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出失败：无法写入文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已导出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入EQ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
