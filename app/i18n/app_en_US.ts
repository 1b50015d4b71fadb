<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CustomSettingsForm</name>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="251"/>
        <location filename="../CustomSettingsForm.cpp" line="424"/>
        <source>简体中文</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="252"/>
        <location filename="../CustomSettingsForm.cpp" line="425"/>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="420"/>
        <source>语言切换</source>
        <translation>Language</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="428"/>
        <source>启动</source>
        <translation>Startup</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="429"/>
        <source>开机自启动</source>
        <translation>Launch on Startup</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="430"/>
        <source>启动后最小化</source>
        <translation>Minimize on Startup</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="431"/>
        <source>关闭面板时</source>
        <translation>When Closing the Window</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="432"/>
        <source>关闭即退出程序</source>
        <translation>Exit the Program</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="433"/>
        <source>关闭即最小化到托盘</source>
        <translation>Minimize to System Tray</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="434"/>
        <source>联系客服</source>
        <translation>Contact Us</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="435"/>
        <source>协议与关于</source>
        <translation>Agreements &amp; About</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="436"/>
        <source>当前版本：</source>
        <translation>Current Version:</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="437"/>
        <source>关于我们</source>
        <translation>About Us</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="438"/>
        <source>隐私政策</source>
        <translation>Privacy Policy</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="439"/>
        <source>用户协议</source>
        <translation>User Agreement</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="441"/>
        <source>Copyright © VELKORA. 保留所有权利。</source>
        <translation>Copyright © VELKORA. All rights reserved.</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="454"/>
        <source>已是最新版本</source>
        <translation>Up to date</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="462"/>
        <source>版本过低</source>
        <translation>Outdated</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="464"/>
        <source>需立即更新</source>
        <translation>Update required</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="466"/>
        <source>有新版本</source>
        <translation>New Version</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="558"/>
        <source>https://velkora.example/zh/about</source>
        <translation>https://velkora.example/en/about</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="564"/>
        <source>https://velkora.example/zh/privacy</source>
        <translation>https://velkora.example/en/privacy</translation>
    </message>
    <message>
        <location filename="../CustomSettingsForm.cpp" line="570"/>
        <source>https://velkora.example/zh/terms</source>
        <translation>https://velkora.example/en/terms</translation>
    </message>
</context>
<context>
    <name>CustomTitleBar</name>
    <message>
        <location filename="../CustomTitleBar.cpp" line="35"/>
        <source>点击登录</source>
        <translation>Log In</translation>
    </message>
</context>
<context>
    <name>HeadphonesDevice</name>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="273"/>
        <location filename="../HeadphonesDevice.cpp" line="315"/>
        <location filename="../HeadphonesDevice.cpp" line="344"/>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="309"/>
        <location filename="../HeadphonesDevice.cpp" line="345"/>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="249"/>
        <location filename="../HeadphonesDeviceWiring.cpp" line="286"/>
        <source>我的设备</source>
        <translation>My Device</translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="258"/>
        <location filename="../HeadphonesDevice.cpp" line="346"/>
        <source>个人信息</source>
        <translation>Personal information</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceWiring.cpp" line="103"/>
        <source>密码已重置</source>
        <translation>Password has been reset</translation>
    </message>
    <message>
        <location filename="../DeviceStateController.cpp" line="622"/>
        <source>接收器解绑成功</source>
        <translation>Receiver unpaired successfully</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceWiring.cpp" line="362"/>
        <source>该功能需要登录，请先登录。</source>
        <translation>Please log in to use this feature.</translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="356"/>
        <location filename="../HeadphonesDeviceAccount.cpp" line="80"/>
        <source>点击登录</source>
        <translation>Log In</translation>
    </message>
    <message>
        <location filename="../HeadphonesDevice.cpp" line="360"/>
        <location filename="../HeadphonesDeviceAccount.cpp" line="56"/>
        <location filename="../HeadphonesDeviceAccount.cpp" line="69"/>
        <source>已登录</source>
        <translation>Logged In</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="181"/>
        <source>VELKORA</source>
        <translation>VELKORA</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="182"/>
        <source>显示主窗口</source>
        <translation>Show the main window</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceTray.cpp" line="183"/>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="161"/>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceAccount.cpp" line="165"/>
        <source>登录已过期，请重新登录</source>
        <translation>Your login has expired. Please log in again</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceAccount.cpp" line="171"/>
        <source>登录过期，请重新登录</source>
        <translation>Your login has expired. Please log in again</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceProfileEdits.cpp" line="56"/>
        <source>网络异常，请重试</source>
        <translation>Network error. Try again</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceProfileEdits.cpp" line="90"/>
        <source>昵称已更新</source>
        <translation>Nickname has been updated</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceProfileEdits.cpp" line="121"/>
        <source>头像已更新</source>
        <translation>Profile picture has been updated</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceProfileEdits.cpp" line="150"/>
        <source>密码已修改</source>
        <translation>Password updated</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceProfileEdits.cpp" line="170"/>
        <source>邮箱已修改</source>
        <translation>Email updated</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceProfileEdits.cpp" line="177"/>
        <source>手机号已修改</source>
        <translation>Phone number updated</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="126"/>
        <source>检查更新</source>
        <translation>Check for Updates</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="127"/>
        <source>检查更新失败：%1</source>
        <translation>Check update failed: %1</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="127"/>
        <source>网络异常</source>
        <translation>Network error</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="132"/>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="154"/>
        <source>版本过低</source>
        <translation>Update required</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="132"/>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="157"/>
        <source>发现新版本</source>
        <translation>Update available</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="155"/>
        <source>当前版本已低于最低支持，请安装更新后继续使用。</source>
        <translation>Please update to continue.</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="158"/>
        <source>系统检测有新版本，是否立即升级？</source>
        <translation>Upgrade now?</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="158"/>
        <source>系统检测有新版本，是否立即更新？</source>
        <translation>Update now?</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="161"/>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="245"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="161"/>
        <source>立即升级</source>
        <translation>Upgrade now</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="181"/>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="194"/>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="208"/>
        <source>升级中</source>
        <translation>Updating</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="213"/>
        <source>升级中 %1%</source>
        <translation>Updating %1%</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="221"/>
        <source>安装程序启动中...</source>
        <translation>Installation program is starting...</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="231"/>
        <source>请稍后重试</source>
        <translation>Please try again later</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="231"/>
        <source>升级未成功，请稍后重试。</source>
        <translation>Update incomplete. Try again later.</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="244"/>
        <source>重试</source>
        <translation>Retry</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="295"/>
        <source>上次更新安装程序已成功启动。</source>
        <translation>Previous installer started successfully.</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="298"/>
        <source>上次更新未完成（错误码 %1）。请重试更新。</source>
        <translation>The last update was not completed (error code %1). Please try the update again.</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="300"/>
        <source>
安装包：%1</source>
        <translation>
Installation package: %1</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="316"/>
        <location filename="../HeadphonesDeviceUpdate.cpp" line="318"/>
        <source>更新结果</source>
        <translation>Update results</translation>
    </message>
    <message>
        <location filename="../DeviceStateController.cpp" line="614"/>
        <location filename="../DeviceStateController.cpp" line="630"/>
        <source>接收器解绑失败</source>
        <translation>Failed to unpair the receiver</translation>
    </message>
    <message>
        <location filename="../EqDownlinkControllerFailure.cpp" line="71"/>
        <source>设备下发失败，已恢复上次配置</source>
        <translation>Sync failed. Reverted to previous configuration</translation>
    </message>
    <message>
        <location filename="../EqDownlinkControllerFailure.cpp" line="123"/>
        <source>设备下发失败</source>
        <translation>Sync failed</translation>
    </message>
    <message>
        <location filename="../EqDownlinkControllerFailure.cpp" line="20"/>
        <source>第%1段（%2 Hz）超出耳机滤波器的范围：该频率下增益过高或 Q 值过小。已恢复上次配置</source>
        <translation>Band %1 (%2 Hz) is beyond what the headset&apos;s filters can hold: the gain is too high or the Q too low for this frequency. Reverted to previous configuration</translation>
    </message>
    <message>
        <location filename="../EqDownlinkControllerEdits.cpp" line="128"/>
        <source>音效映射失败，无法下发</source>
        <translation>Sound effect mapping failed and cannot be issued</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="202"/>
        <source>发现固件新版本</source>
        <translation>New firmware available</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="203"/>
        <source>耳机和接收器均有新版本，是否前往「更多设置」升级？</source>
        <translation>New firmware is available for both the headset and receiver. Go to More Settings to update?</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="205"/>
        <source>发现接收器固件新版本</source>
        <translation>New receiver firmware available</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="206"/>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="210"/>
        <source>可升级至 %1，是否前往「更多设置」升级？</source>
        <translation>Version %1 is available. Go to More Settings to update?</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="209"/>
        <source>发现耳机固件新版本</source>
        <translation>New headset firmware available</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="216"/>
        <source>稍后</source>
        <translation>Not Now</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="216"/>
        <source>前往升级</source>
        <translation>Go to Update</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceFirmwareCheck.cpp" line="242"/>
        <source>请先连接设备后再升级固件。</source>
        <translation>Please connect your device before updating firmware.</translation>
    </message>
    <message>
        <location filename="../HeadphonesDeviceToast.cpp" line="55"/>
        <source>设置文件无法写入，本次更改在重启后将失效</source>
        <translation>The settings file cannot be written; this change will be lost at the next start</translation>
    </message>
</context>
</TS>
