#pragma once

#include "cloud/CloudEQItem.h"

#include <QString>

// What one cloud card shows of an entry: texts trimmed, counts "0" when empty
// (shown as given, never abbreviated), flags set by "1" or "true".
struct GameCardDisplay
{
    QString title;
    QString nickName;
    QString desc;
    QString sc1Name;
    QString sc2Name;
    QString downloadCount;
    QString likeCount;
    QString collectCount;
    bool downloaded = false;
    bool liked = false;
    bool collected = false;
    QString avatarSource;

    static GameCardDisplay fromItem(const EarphoneApi::CloudEQItem &item);
};
