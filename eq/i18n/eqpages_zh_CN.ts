<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>EQCustomContent</name>
    <message>
        <location filename="../EQCustomContent.cpp" line="34"/>
        <location filename="../EQCustomContentDialogs.cpp" line="107"/>
        <source>重命名</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContent.cpp" line="35"/>
        <source>分享</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContent.cpp" line="36"/>
        <source>导出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContent.cpp" line="37"/>
        <source>导入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContent.cpp" line="38"/>
        <source>重置(官方默认EQ)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContentDialogs.cpp" line="94"/>
        <source>自定义EQ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContentDialogs.cpp" line="118"/>
        <source>请输入名称</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContentDialogs.cpp" line="126"/>
        <location filename="../EQCustomContentDialogs.cpp" line="206"/>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContentDialogs.cpp" line="128"/>
        <location filename="../EQCustomContentDialogs.cpp" line="208"/>
        <source>确定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContentDialogs.cpp" line="188"/>
        <source>重置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContentDialogs.cpp" line="196"/>
        <source>您确定要重置当前自定义EQ吗？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContentDialogs.cpp" line="240"/>
        <source>请先登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQCustomContentSlots.cpp" line="121"/>
        <source>保存失败：无法写入自定义EQ文件</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EQOfficialPresetContent</name>
    <message>
        <location filename="../EQOfficialPresetContent.cpp" line="30"/>
        <location filename="../EQOfficialPresetContent.cpp" line="289"/>
        <source>基础音效</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQOfficialPresetContent.cpp" line="31"/>
        <location filename="../EQOfficialPresetContent.cpp" line="290"/>
        <source>游戏定制</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EQShareToCloudDialog</name>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="124"/>
        <location filename="../EQShareToCloudDialog.cpp" line="311"/>
        <source>分享到云端</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="149"/>
        <location filename="../EQShareToCloudDialog.cpp" line="312"/>
        <source>名称</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="154"/>
        <location filename="../EQShareToCloudDialog.cpp" line="313"/>
        <source>请输入分享到云端的EQ标题</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="160"/>
        <location filename="../EQShareToCloudDialog.cpp" line="314"/>
        <source>模式选择</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="169"/>
        <location filename="../EQShareToCloudDialog.cpp" line="315"/>
        <source>音乐</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="170"/>
        <location filename="../EQShareToCloudDialog.cpp" line="316"/>
        <source>游戏</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="171"/>
        <location filename="../EQShareToCloudDialog.cpp" line="317"/>
        <source>其他</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="189"/>
        <location filename="../EQShareToCloudDialog.cpp" line="319"/>
        <source>输入简介</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="194"/>
        <location filename="../EQShareToCloudDialog.cpp" line="320"/>
        <source>请输入分享云端的EQ的简介</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="204"/>
        <location filename="../EQShareToCloudDialog.cpp" line="321"/>
        <source>确认分享即表示您授权本平台在服务范围内使用该EQ设置，并可用于市场宣传等商业行为。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="216"/>
        <location filename="../EQShareToCloudDialog.cpp" line="305"/>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="185"/>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="194"/>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="257"/>
        <source>上传</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="245"/>
        <location filename="../EQShareToCloudDialog.cpp" line="318"/>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="223"/>
        <source>请选择分类</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialog.cpp" line="305"/>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="239"/>
        <source>上传中...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="88"/>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="200"/>
        <source>云端服务未就绪</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="103"/>
        <source>加载中...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="112"/>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="204"/>
        <source>请先登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="131"/>
        <source>暂无分类</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="212"/>
        <source>EQ 未就绪</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="217"/>
        <source>请输入标题</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="232"/>
        <source>登录信息异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../EQShareToCloudDialogUpload.cpp" line="248"/>
        <source>上传成功</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EQSoundEffectTestWidget</name>
    <message>
        <location filename="../EQSoundEffectTestWidget.cpp" line="105"/>
        <location filename="../EQSoundEffectTestWidget.cpp" line="277"/>
        <source>音效测试</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
