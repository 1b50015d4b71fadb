<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>LegacyFirmwareRecoveryCoordinator</name>
    <message>
        <location filename="../LegacyFirmwareRecoveryCoordinator.cpp" line="189"/>
        <source>未找到可用固件：请将耳机（remote）与 dongle 的 .ufw 放入应用程序目录下的 firmware 文件夹。</source>
        <translation>No available firmware found: Please insert the .ufw file of the headset (remote) and the dongle into the firmware folder located in the application directory.</translation>
    </message>
    <message>
        <location filename="../LegacyFirmwareRecoveryCoordinator.cpp" line="132"/>
        <source>无法释放 HID 设备，升级未开始。</source>
        <translation>The HID devices could not be released; the update did not start.</translation>
    </message>
</context>
<context>
    <name>LegacyRecoveryDialog</name>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="31"/>
        <source>固件升级提示</source>
        <translation>Firmware Update Available</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="40"/>
        <source>检测到您的固件版本过低，请按以下步骤完成升级：

升级前准备
（1）将耳机切换至2.4G模式；
（2）把2.4G接收器插入电脑的USB接口，确认耳机和接收器都处于正常在线状态。

升级操作步骤
（1）点击页面中的「一键升级」按钮，升级过程会自动完成；
（2）升级完成后耳机会自动关机，需手动重新开机，耳机与接收器自动重连，即可正常使用。

注意：升级过程中请勿关闭耳机电源、拔下接收器，否则可能会导致升级失败。</source>
        <translation>A new firmware version is available. Please follow the steps below to complete the update:

Preparation
Switch the headset to 2.4GHz mode.
Plug the 2.4GHz dongle into your computer&apos;s USB port. Ensure both the headset and the dongle are connected and active.

Update Steps
Click the &quot;Update Now&quot; button. The process will complete automatically.
Once the update is finished, the headset will power off automatically. Please manually turn it back on; it will reconnect to the dongle and be ready for use.

Note: Do not turn off the headset or unplug the dongle during the update, as this may cause the update to fail or damage the device.</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="67"/>
        <source>一键升级</source>
        <translation>One-Tap Update</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="69"/>
        <source>稍后</source>
        <translation>Not Now</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="75"/>
        <location filename="../LegacyRecoveryDialog.cpp" line="112"/>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="110"/>
        <source>升级完成</source>
        <translation>Upgrade completed</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="111"/>
        <source>升级完成。
固件升级成功，请等手动重启耳机进行连接。</source>
        <translation>Update complete.
Firmware installed successfully. Please restart the headset manually, then reconnect.</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="114"/>
        <source>升级失败</source>
        <translation>Upgrade failed</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="115"/>
        <source>升级未成功：
%1</source>
        <translation>Update did not finish:
%1</translation>
    </message>
    <message>
        <location filename="../LegacyRecoveryDialog.cpp" line="116"/>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>ManualFirmwareOtaCoordinator</name>
    <message>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="134"/>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="192"/>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="276"/>
        <source>升级失败</source>
        <translation>Update failed</translation>
    </message>
    <message>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="166"/>
        <source>未知错误</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="311"/>
        <source>固件下载失败</source>
        <translation>Firmware download failed</translation>
    </message>
    <message>
        <location filename="../ManualFirmwareOtaCoordinator.cpp" line="313"/>
        <source>升级未开始。</source>
        <translation>Update did not start.</translation>
    </message>
</context>
</TS>
