<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>HidCommunicateManager</name>
    <message>
        <location filename="../HidCommunicateLoop.cpp" line="125"/>
        <source>发送已截断：%1 → %2 字节</source>
        <translation>Send truncated: %1 → %2 bytes</translation>
    </message>
    <message>
        <location filename="../HidCommunicateLoop.cpp" line="150"/>
        <source>发送失败：%1（错误码：%2，连续 %3 次）</source>
        <translation>Send failed: %1 (error code: %2, %3 in a row)</translation>
    </message>
    <message>
        <location filename="../HidCommunicateLoop.cpp" line="177"/>
        <source>发送返回 0 字节（可能为暂时性缓冲/背压）</source>
        <translation>Send returned 0 bytes (possibly temporary buffering/back-pressure)</translation>
    </message>
    <message>
        <location filename="../HidCommunicateLoop.cpp" line="225"/>
        <source>读取失败：%1（错误码：%2，连续 %3 次）</source>
        <translation>Read failed: %1 (error code: %2, %3 in a row)</translation>
    </message>
    <message>
        <location filename="../HidCommunicateLoop.cpp" line="226"/>
        <source>未知错误</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <location filename="../HidCommunicateManager.cpp" line="86"/>
        <source>设备已连接，通讯恢复</source>
        <translation>Device connected, communication restored</translation>
    </message>
    <message>
        <location filename="../HidCommunicateManager.cpp" line="88"/>
        <source>设备已断开连接</source>
        <translation>Device disconnected</translation>
    </message>
    <message>
        <location filename="../HidCommunicateManager.cpp" line="138"/>
        <source>发送队列已满（%1/%2）</source>
        <translation>Send queue full (%1/%2)</translation>
    </message>
</context>
<context>
    <name>HidDeviceManager</name>
    <message>
        <location filename="../HidDeviceManager.cpp" line="225"/>
        <source>HID未初始化，无法连接设备</source>
        <translation>HID not initialized, cannot connect the device</translation>
    </message>
    <message>
        <location filename="../HidDeviceManager.cpp" line="233"/>
        <source>设备不存在：%1</source>
        <translation>Device not found: %1</translation>
    </message>
    <message>
        <location filename="../HidDeviceManager.cpp" line="239"/>
        <source>设备已处于连接中或已连接状态</source>
        <translation>The device is already connecting or connected</translation>
    </message>
    <message>
        <location filename="../HidDeviceManager.cpp" line="252"/>
        <source>打开设备路径失败</source>
        <translation>Failed to open the device path</translation>
    </message>
    <message>
        <location filename="../HidDeviceManager.cpp" line="261"/>
        <source>设置非阻塞模式失败</source>
        <translation>Failed to set non-blocking mode</translation>
    </message>
    <message>
        <location filename="../HidDeviceManager.cpp" line="278"/>
        <source>设备已从列表移除，请重新枚举后再连接</source>
        <translation>The device was removed from the list; enumerate again before connecting</translation>
    </message>
</context>
<context>
    <name>HidManager</name>
    <message>
        <location filename="../HidManager.cpp" line="37"/>
        <source>管理器未就绪</source>
        <translation>Manager not ready</translation>
    </message>
</context>
<context>
    <name>HidManagerImpl</name>
    <message>
        <location filename="../HidManagerImpl.cpp" line="66"/>
        <source>管理器未就绪</source>
        <translation>Manager not ready</translation>
    </message>
    <message>
        <location filename="../HidManagerImpl.cpp" line="68"/>
        <source>HID 子系统未初始化</source>
        <translation>HID subsystem not initialized</translation>
    </message>
</context>
</TS>
