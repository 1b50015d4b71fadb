<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>EQCustomContent</name>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>分享</source>
        <translation>Share</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>重置(官方默认EQ)</source>
        <translation>Reset (Official Default EQ)</translation>
    </message>
    <message>
        <source>自定义EQ</source>
        <translation>Custom EQ</translation>
    </message>
    <message>
        <source>请输入名称</source>
        <translation>Please enter name</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>您确定要重置当前自定义EQ吗？</source>
        <translation>Are you sure you want to reset the current custom EQ?</translation>
    </message>
    <message>
        <source>请先登录</source>
        <translation>Please log in first</translation>
    </message>
    <message>
        <source>保存失败：无法写入自定义EQ文件</source>
        <translation>Save Failed: Unable to Write the Custom EQ File</translation>
    </message>
</context>
<context>
    <name>EQOfficialPresetContent</name>
    <message>
        <source>基础音效</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>游戏定制</source>
        <translation>Game</translation>
    </message>
</context>
<context>
    <name>EQShareToCloudDialog</name>
    <message>
        <source>分享到云端</source>
        <translation>Upload to Cloud</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>请输入分享到云端的EQ标题</source>
        <translation>Enter EQ title</translation>
    </message>
    <message>
        <source>模式选择</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>音乐</source>
        <translation>Music</translation>
    </message>
    <message>
        <source>游戏</source>
        <translation>Game</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Others</translation>
    </message>
    <message>
        <source>输入简介</source>
        <translation>Add a description</translation>
    </message>
    <message>
        <source>请输入分享云端的EQ的简介</source>
        <translation>Please Enter Description for Cloud-shared EQ</translation>
    </message>
    <message>
        <source>确认分享即表示您授权本平台在服务范围内使用该EQ设置，并可用于市场宣传等商业行为。</source>
        <translation>By sharing, you authorize this platform to use this EQ setting for service-related purposes and commercial marketing.</translation>
    </message>
    <message>
        <source>上传</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>请选择分类</source>
        <translation>Please select category</translation>
    </message>
    <message>
        <source>上传中...</source>
        <translation>Uploading...</translation>
    </message>
    <message>
        <source>云端服务未就绪</source>
        <translation>Cloud Service Unavailable</translation>
    </message>
    <message>
        <source>加载中...</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>请先登录</source>
        <translation>Please log in first</translation>
    </message>
    <message>
        <source>暂无分类</source>
        <translation>No categories</translation>
    </message>
    <message>
        <source>EQ 未就绪</source>
        <translation>EQ Not Ready</translation>
    </message>
    <message>
        <source>请输入标题</source>
        <translation>Please enter title</translation>
    </message>
    <message>
        <source>登录信息异常</source>
        <translation>Login Error</translation>
    </message>
    <message>
        <source>上传成功</source>
        <translation>Uploaded successfully</translation>
    </message>
</context>
<context>
    <name>EQSoundEffectTestWidget</name>
    <message>
        <source>音效测试</source>
        <translation>Sound Test</translation>
    </message>
</context>
</TS>
