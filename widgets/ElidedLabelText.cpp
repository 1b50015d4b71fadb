#include "widgets/ElidedLabelText.h"

#include <QFontMetrics>
#include <QLabel>

QString setElidedLabelText(QLabel *label, const QString &text, int width, const QFont &font)
{
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, width);
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
    return shown;
}
