#pragma once

// Artwork of the cloud page inside the Qt resource system.
namespace EQCloudResources {
inline constexpr char defaultAvatar[] = ":/images/eqcloud/headCard.png";
inline constexpr char toastSucceed[] = ":/images/eqcloud/succeed.png";
inline constexpr char toastFail[] = ":/images/eqcloud/fail.png";
inline constexpr char toastInfo[] = ":/images/eqcloud/info.png";
inline constexpr char downloadChecked[] = ":/svgs/eqcloud/cloudDownloadChecked.svg";
inline constexpr char downloadUnchecked[] = ":/svgs/eqcloud/cloudDownloadUnChecked.svg";
inline constexpr char likeChecked[] = ":/svgs/eqcloud/likeChecked.svg";
inline constexpr char likeUnchecked[] = ":/svgs/eqcloud/likeUnChecked.svg";
inline constexpr char collectChecked[] = ":/svgs/eqcloud/collectionChecked.svg";
inline constexpr char collectUnchecked[] = ":/svgs/eqcloud/collectionUnChecked.svg";
inline constexpr char preview[] = ":/svgs/eqcloud/preview.svg";
inline constexpr char shareCode[] = ":/svgs/eqcloud/shareCodeIcon.svg";
inline constexpr char remove[] = ":/svgs/eqcloud/delete.svg";
} // namespace EQCloudResources
