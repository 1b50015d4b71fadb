<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CloudDownloadBottomBar</name>
    <message>
        <location filename="../CloudDownloadBottomBar.cpp" line="45"/>
        <source>已应用</source>
        <translation>Applied</translation>
    </message>
    <message>
        <location filename="../CloudDownloadBottomBar.cpp" line="45"/>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <location filename="../CloudDownloadBottomBar.cpp" line="50"/>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <location filename="../CloudDownloadBottomBar.cpp" line="51"/>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <location filename="../CloudDownloadBottomBar.cpp" line="52"/>
        <source>分享</source>
        <translation>Share</translation>
    </message>
</context>
<context>
    <name>EQCloudDeleteConfirmDialog</name>
    <message>
        <location filename="../EQCloudDeleteConfirmDialog.cpp" line="88"/>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <location filename="../EQCloudDeleteConfirmDialog.cpp" line="89"/>
        <source>您确定要删除当前我的共享EQ吗？</source>
        <translation>Are you sure you want to delete this shared EQ?</translation>
    </message>
    <message>
        <location filename="../EQCloudDeleteConfirmDialog.cpp" line="89"/>
        <source>您确定要删除当前云端下载EQ吗？</source>
        <translation>Are you sure you want to delete this downloaded EQ?</translation>
    </message>
    <message>
        <location filename="../EQCloudDeleteConfirmDialog.cpp" line="90"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../EQCloudDeleteConfirmDialog.cpp" line="91"/>
        <source>确定</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>EQCloudListController</name>
    <message>
        <location filename="../EQCloudListController.cpp" line="342"/>
        <source>已下载</source>
        <translation>Downloaded</translation>
    </message>
</context>
<context>
    <name>EQCloudPreviewDialog</name>
    <message>
        <location filename="../EQCloudPreviewDialog.cpp" line="296"/>
        <source>应用到设备</source>
        <translation>Apply to Device</translation>
    </message>
</context>
<context>
    <name>EQCloudSharingContent</name>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="185"/>
        <source>云端共享</source>
        <translation>Cloud</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="185"/>
        <source>已收藏</source>
        <translation>Favorited</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="185"/>
        <source>我的共享</source>
        <translation>My shares</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="185"/>
        <source>云端下载</source>
        <translation>Cloud Downloads</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="188"/>
        <source>下载最多</source>
        <translation>Popular</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="188"/>
        <source>收藏最多</source>
        <translation>Favorited</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="188"/>
        <source>点赞最多</source>
        <translation>Most Liked</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="188"/>
        <source>最新</source>
        <translation>Latest</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="344"/>
        <source>该功能需要登录，请先登录。</source>
        <translation>Please log in to use this feature.</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContent.cpp" line="374"/>
        <source>接口未就绪，请稍后重试</source>
        <translation>The interface is not ready. Please try again later</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="95"/>
        <source>分享码为空，无法复制</source>
        <translation>Empty share code. Cannot copy</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="100"/>
        <source>分享码已复制。</source>
        <translation>Share Code Copied.</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="106"/>
        <location filename="../EQCloudSharingContentActions.cpp" line="340"/>
        <source>删除失败：无效条目</source>
        <translation>Failed to delete: Invalid item</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="110"/>
        <location filename="../EQCloudSharingContentActions.cpp" line="344"/>
        <source>删除失败：接口未就绪</source>
        <translation>Failed to delete: Interface not ready</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="114"/>
        <location filename="../EQCloudSharingContentActions.cpp" line="348"/>
        <source>正在删除，请稍候</source>
        <translation>Deleting... Please wait</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="120"/>
        <location filename="../EQCloudSharingContentActions.cpp" line="354"/>
        <source>删除中...</source>
        <translation>Deleting…</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="133"/>
        <source>下载成功！</source>
        <translation>Download successful!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="146"/>
        <source>已点赞！</source>
        <translation>Liked!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="146"/>
        <source>已取消点赞！</source>
        <translation>Like removed!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="148"/>
        <source>收藏成功！</source>
        <translation>Added to favorites!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="148"/>
        <source>已取消收藏！</source>
        <translation>Removed from favorites!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="156"/>
        <source>下载失败！</source>
        <translation>Download failed!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="167"/>
        <source>点赞失败！</source>
        <translation>Failed to like!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="167"/>
        <source>取消点赞失败！</source>
        <translation>Failed to remove like!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="169"/>
        <source>收藏失败！</source>
        <translation>Failed to add favorite!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="169"/>
        <source>取消收藏失败！</source>
        <translation>Failed to remove favorite!</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="186"/>
        <source>请求失败（错误码 %1）</source>
        <translation>Request failed (error code %1)</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="208"/>
        <source>下载列表获取失败（错误码 %1）</source>
        <translation>Failed to load download list (Error: %1)</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="260"/>
        <location filename="../EQCloudSharingContentActions.cpp" line="285"/>
        <source>请先登录</source>
        <translation>Please log in first</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="279"/>
        <location filename="../EQCloudSharingContentActions.cpp" line="296"/>
        <source>已应用</source>
        <translation>Applied</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="290"/>
        <source>应用失败：未找到该音效</source>
        <translation>Apply failed: preset not found</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="324"/>
        <source>分享码为空，复制失败</source>
        <translation>Empty share code. Failed copy</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="332"/>
        <source>分享码已复制</source>
        <translation>Share Code Copied</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="334"/>
        <source>复制失败，请重试</source>
        <translation>Copy failed. Please try again</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="374"/>
        <location filename="../EQCloudSharingContentActions.cpp" line="386"/>
        <source>删除成功</source>
        <translation>Deletion Successful</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="380"/>
        <location filename="../EQCloudSharingContentActions.cpp" line="397"/>
        <source>删除失败</source>
        <translation>Failed to Delete</translation>
    </message>
    <message>
        <location filename="../EQCloudSharingContentActions.cpp" line="420"/>
        <source>账号已退出，云端数据已清空</source>
        <translation>Logged out. Cloud data cleared</translation>
    </message>
</context>
<context>
    <name>GameCard</name>
    <message>
        <location filename="../GameCard.cpp" line="268"/>
        <source>已应用</source>
        <translation>Applied</translation>
    </message>
    <message>
        <location filename="../GameCard.cpp" line="268"/>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <location filename="../GameCard.cpp" line="372"/>
        <source>分享码</source>
        <translation>Share Code</translation>
    </message>
    <message>
        <location filename="../GameCard.cpp" line="373"/>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <location filename="../GameCard.cpp" line="374"/>
        <source>分享</source>
        <translation>Share</translation>
    </message>
    <message>
        <location filename="../GameCard.cpp" line="375"/>
        <location filename="../GameCard.cpp" line="376"/>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
</context>
</TS>
