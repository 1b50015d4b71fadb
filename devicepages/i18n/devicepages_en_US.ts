<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AudioConfigMenuItem</name>
    <message>
        <location filename="../AudioConfigMenuItem.cpp" line="12"/>
        <source>音频配置</source>
        <translation>Audio Settings</translation>
    </message>
</context>
<context>
    <name>AudioConfigurationContent</name>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="164"/>
        <source>&lt;u&gt;Windows 声音设备&lt;/u&gt;</source>
        <translation>&lt;u&gt;Windows Audio Device&lt;/u&gt;</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="166"/>
        <source>&lt;u&gt;声音设置&lt;/u&gt;</source>
        <translation>&lt;u&gt;Sound Settings&lt;/u&gt;</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="258"/>
        <source>检测到音量已被禁用</source>
        <translation>Volume Muted</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="258"/>
        <source>系统音量</source>
        <translation>System Volume</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="275"/>
        <source>检测到麦克风已被禁用</source>
        <translation>Mic Disabled</translation>
    </message>
    <message>
        <location filename="../AudioConfigurationContent.cpp" line="275"/>
        <source>麦克风</source>
        <translation>Mic</translation>
    </message>
</context>
<context>
    <name>CustomBootScreen</name>
    <message>
        <location filename="../CustomBootScreen.cpp" line="131"/>
        <source>请连接昙翎设备</source>
        <translation>Please connect your VELKORA device</translation>
    </message>
    <message>
        <location filename="../CustomBootScreen.cpp" line="132"/>
        <source>设备驱动不支持蓝牙连接，仅可通过专属2.4G接收器或USB解码器连接。（注：头戴耳机仅支持2.4G接收器连接）</source>
        <translation>The driver does not support Bluetooth. Please connect via the 2.4G receiver or USB DAC. (Note: Headphones only support connection via the 2.4G receiver.)</translation>
    </message>
</context>
<context>
    <name>CustomDeviceConnection</name>
    <message>
        <location filename="../CustomDeviceConnection.cpp" line="177"/>
        <source>若已进入休眠状态请重新启动耳机或检查连接模式是否为2.4G(可尝试重新插拔接收器)
注:插入音频线或蓝牙模式都不可使用驱动</source>
        <translation>If in sleep mode, please restart the headset or ensure the 2.4G receiver is plugged in
Note: The driver cannot be used when an audio cable is connected or in Bluetooth mode</translation>
    </message>
    <message>
        <location filename="../CustomDeviceConnection.cpp" line="179"/>
        <location filename="../CustomDeviceConnection.cpp" line="354"/>
        <source>接收器解绑</source>
        <translation>Reset Dongle Pairing</translation>
    </message>
    <message>
        <location filename="../CustomDeviceConnection.cpp" line="357"/>
        <source>解绑后，请六击耳机mic键重新绑定。注意：请将接收器更新到1.1.7或以上再使用此功能，否则会解绑失败。</source>
        <translation>After unpairing, press the headset MIC button 6 times to re-pair.Note: Please update the receiver firmware to v1.1.7 or later before use, otherwise unpairing may fail.</translation>
    </message>
</context>
<context>
    <name>DeviceInfoWidget</name>
    <message>
        <location filename="../DeviceInfoWidget.cpp" line="102"/>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <location filename="../DeviceInfoWidget.cpp" line="102"/>
        <source>2.4G 已连接</source>
        <translation>2.4G Connected</translation>
    </message>
</context>
<context>
    <name>DevicePageDialog</name>
    <message>
        <location filename="../DevicePageDialog.cpp" line="104"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../DevicePageDialog.cpp" line="105"/>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>EQMenuItem</name>
    <message>
        <location filename="../EQMenuItem.cpp" line="46"/>
        <source>EQ调音台</source>
        <translation>EQ Mixer</translation>
    </message>
    <message>
        <location filename="../EQMenuItem.cpp" line="51"/>
        <source>官方预设</source>
        <translation>Official Preset</translation>
    </message>
    <message>
        <location filename="../EQMenuItem.cpp" line="52"/>
        <source>云端共享</source>
        <translation>Cloud Sharing</translation>
    </message>
    <message>
        <location filename="../EQMenuItem.cpp" line="53"/>
        <source>自定义</source>
        <translation>Custom</translation>
    </message>
</context>
<context>
    <name>MoreSettingsContent</name>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="182"/>
        <source>耳机提示音音量</source>
        <translation>Voice Prompt Volume</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="183"/>
        <location filename="../MoreSettingsContent.cpp" line="268"/>
        <source>耳机重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="184"/>
        <location filename="../MoreSettingsContent.cpp" line="336"/>
        <source>恢复出厂设置</source>
        <translation>Restore factory settings</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="185"/>
        <source>耳机所有状态将恢复到出厂默认</source>
        <translation>All settings will be reset to factory defaults</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="186"/>
        <source>恢复出厂</source>
        <translation>Factory reset</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="187"/>
        <source>耳机固件OTA</source>
        <translation>Firmware Update</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="188"/>
        <source>接收器固件OTA</source>
        <translation>Receiver firmware OTA</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="190"/>
        <source>当前版本：</source>
        <translation>Current version:</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="191"/>
        <source>可更新版本：</source>
        <translation>Available version:</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="192"/>
        <source>升级</source>
        <translation>Update</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="276"/>
        <source>请输入耳机昵称</source>
        <translation>Please enter the nickname for your headphones</translation>
    </message>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="336"/>
        <source>您确定要恢复出厂设置吗？</source>
        <translation>Are you sure you want to restore factory settings?</translation>
    </message>
    <message>
        <location filename="../MoreSettingsFirmwareCards.cpp" line="90"/>
        <source>当前已是最新版本</source>
        <translation>Already on the latest version</translation>
    </message>
    <message>
        <location filename="../MoreSettingsFirmwareCards.cpp" line="201"/>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <location filename="../MoreSettingsFirmwareCards.cpp" line="201"/>
        <source>您确认更新至版本 %1 吗？</source>
        <translation>Update to version %1?</translation>
    </message>
</context>
<context>
    <name>MoreSettingsMenuItem</name>
    <message>
        <location filename="../MoreSettingsMenuItem.cpp" line="15"/>
        <source>更多设置</source>
        <translation>More Settings</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../MoreSettingsContent.cpp" line="297"/>
        <source>名称长度需小于32字节</source>
        <translation>The name length should be less than 32 bytes</translation>
    </message>
</context>
<context>
    <name>SurroundMenuItem</name>
    <message>
        <location filename="../SurroundMenuItem.cpp" line="12"/>
        <source>7.1虚拟环绕</source>
        <translation>7.1 Virtual Surround</translation>
    </message>
</context>
</TS>
