#pragma once

#include <QString>

// Pictures of the account screens in the resource system.
namespace AccountImages {

inline QString defaultAvatar() { return QStringLiteral(":/images/account/personalheadPortrait.png"); }
inline QString renameEdit() { return QStringLiteral(":/images/account/headphone_rename_edit.png"); }
inline QString passwordHidden() { return QStringLiteral(":/images/account/invisible.png"); }
inline QString passwordShown() { return QStringLiteral(":/images/account/visible.png"); }
inline QString close() { return QStringLiteral(":/images/account/shareClose.png"); }

} // namespace AccountImages
