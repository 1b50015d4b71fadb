#include "app/SettingsPageStyles.h"

namespace SettingsPageStyles {

namespace {
const QString kFamilies = QStringLiteral("'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif");

QString clickableText(const QString &disabledColour)
{
    return QStringLiteral("CustomClickableLabel { font-family: %1; font-style: normal; font-weight: 500;"
                          " font-size: 11px; line-height: 15px; color: #999999; }"
                          "CustomClickableLabel:hover { color: #E4E4E4; }"
                          "CustomClickableLabel:disabled { color: %2; }")
        .arg(kFamilies, disabledColour);
}
} // namespace

const QString &card()
{
    static const QString s =
        QStringLiteral("QFrame { background-color: %1; border-radius: %2px; }").arg(QStringLiteral("#1A1A1B")).arg(7);
    return s;
}

const QString &cardTitle()
{
    static const QString s = QStringLiteral("QLabel { font-family: %1; font-style: normal; font-weight: 400;"
                                            " font-size: 14px; line-height: 20px; color: #999999; }")
                                 .arg(kFamilies);
    return s;
}

const QString &versionCaption()
{
    static const QString s = QStringLiteral("QLabel { font-family: %1; font-style: normal; font-weight: 500;"
                                            " font-size: 11px; line-height: 15px; color: #999999; }")
                                 .arg(kFamilies);
    return s;
}

const QString &link()
{
    static const QString s = clickableText(QStringLiteral("#666666"));
    return s;
}

const QString &updateStatus()
{
    static const QString s = clickableText(QStringLiteral("#999999"));
    return s;
}

const QString &option()
{
    static const QString s = QStringLiteral("QLabel { color: #999999; font-family: %1, sans-serif; font-size: 11px;"
                                            " font-weight: 500; line-height: 15px; }"
                                            "QLabel:hover { color: #E4E4E4; }"
                                            "QLabel:disabled { color: #666666; }")
                                 .arg(kFamilies);
    return s;
}

const QString &separator()
{
    static const QString s = QStringLiteral("QFrame {   background-color: #999999;}");
    return s;
}

const QString &branchMark()
{
    static const QString s = QStringLiteral("QFrame { border: none; border-left: 1.33333px solid #E4E4E4;"
                                            " border-bottom: 1.33333px solid #E4E4E4; border-radius: 0px;"
                                            " background: transparent; }");
    return s;
}

const QString &footer()
{
    static const QString s = QStringLiteral("QLabel { font-family: %1; font-style: normal; font-weight: 400;"
                                            " font-size: 10.6667px; line-height: 15px; text-align: center;"
                                            " color: #999999; }")
                                 .arg(kFamilies);
    return s;
}

const QString &updateBadge()
{
    static const QString s = QStringLiteral("QLabel { background-color: %1; border-radius: %2px; }")
                                 .arg(QStringLiteral("#F01F1F"))
                                 .arg(2);
    return s;
}

const QString &combo()
{
    static const QString s =
        QStringLiteral("QComboBox { background-color: #2A292D; color: #A8A8A8; border: 1px solid #2D2E33;"
                       " border-radius: 3.33px; font-family: %1; font-style: normal; font-weight: 400;"
                       " font-size: 12px; line-height: 17px; padding: 0px 22px 0px 13px; min-height: 33px; }"
                       "QComboBox:hover { background-color: #353438; }"
                       "QComboBox:pressed, QComboBox:on { background-color: #2A292D; }"
                       "QComboBox:disabled { background-color: #1E1E20; color: #666666; }"
                       "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top right;"
                       " width: 16px; height: 16px; top: 8px; right: 4px; border: none;"
                       " background: transparent; }"
                       "QComboBox::down-arrow { image: url(:/svgs/arrowdown.svg); width: 16px; height: 16px; }"
                       "QComboBox::down-arrow:on { image: url(:/svgs/arrowup.svg); }")
            .arg(kFamilies);
    return s;
}

const QString &comboPopup()
{
    static const QString s =
        QStringLiteral("QAbstractItemView { background-color: #1A1A1B; color: #999999;"
                       " border: 1px solid rgba(165, 115, 237, 0.35); border-radius: 7px; outline: none;"
                       " padding: 6px 4px; margin: 0px; selection-background-color: transparent;"
                       " selection-color: transparent; }"
                       "QAbstractItemView::viewport { background-color: #1A1A1B; border-radius: 6px; }"
                       "QListView::item, QAbstractItemView::item { padding: 0px; border: none;"
                       " background: transparent; }");
    return s;
}

} // namespace SettingsPageStyles
