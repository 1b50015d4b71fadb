#include "account/AccountStyle.h"

#include <QLineEdit>
#include <QPalette>

namespace AccountStyle {

const QString &fontFamilies()
{
    static const QString families =
        QStringLiteral("'Microsoft YaHei UI', 'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif");
    return families;
}

QString horizontalGradient(const char *from, const char *to)
{
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %1, stop:1 %2)")
        .arg(QLatin1String(from), QLatin1String(to));
}

QString gradientButtonStyle(const char *hoverFrom, const char *hoverTo, const char *pressedFrom,
                            const char *pressedTo, const QString &extra)
{
    return QStringLiteral("QPushButton { background: %1; %2 }"
                          "QPushButton:hover { background: %3; }"
                          "QPushButton:pressed { background: %4; }")
        .arg(horizontalGradient("#6532CB", "#410290"), extra, horizontalGradient(hoverFrom, hoverTo),
             horizontalGradient(pressedFrom, pressedTo));
}

void styleDialogEdit(QLineEdit *edit, int paddingRight)
{
    QPalette palette = edit->palette();
    palette.setColor(QPalette::PlaceholderText, QColor(0x99, 0x99, 0x99));
    edit->setPalette(palette);
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: rgba(42, 41, 45, 0.6); border-radius: 10px;"
                                       " border: none; padding-left: 16px; padding-right: %1px; color: #FFFFFF;"
                                       " font-family: %2; font-size: 12px; font-weight: 500; line-height: 17px; }"
                                       "QLineEdit:focus { border: 1px solid #6532CB; }")
                            .arg(paddingRight)
                            .arg(fontFamilies()));
}

} // namespace AccountStyle
