<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>EQCurveEditor</name>
    <message>
        <location filename="../EQCurveEditorContextMenu.cpp" line="27"/>
        <location filename="../EQCurveEditorContextMenu.cpp" line="42"/>
        <source>重置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCurveEditorContextMenu.cpp" line="29"/>
        <location filename="../EQCurveEditorContextMenu.cpp" line="44"/>
        <source>删除</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FloatingPointEditor</name>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="27"/>
        <source>Peaking</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="28"/>
        <source>Low Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="29"/>
        <source>High Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="30"/>
        <source>Low Shelf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="31"/>
        <source>High Shelf</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="34"/>
        <source>Disable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="307"/>
        <source>Enabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="308"/>
        <source>增益</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="309"/>
        <source>频率</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../FloatingPointEditor.cpp" line="310"/>
        <source>Q值</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
