#include "widgets/SoundEffectIcon.h"

#include <QPainter>

SoundEffectIcon::SoundEffectIcon(QWidget *parent, bool checked) : QWidget(parent), m_checked(checked)
{
    setFixedSize(14, 14);
}

SoundEffectIcon::~SoundEffectIcon() = default;

void SoundEffectIcon::setChecked(bool checked)
{
    m_checked = checked;
}

void SoundEffectIcon::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);

    const int outer = static_cast<int>(qMin(width(), height()) * 0.75);
    const int inner = static_cast<int>(outer * 0.667);
    const QColor base = m_checked ? QColor(100, 49, 202) : QColor(153, 153, 153);
    QColor halo = base;
    halo.setAlpha(128);

    painter.setBrush(halo);
    painter.drawEllipse(QRect((width() - outer) / 2, (height() - outer) / 2, outer, outer));
    painter.setBrush(base);
    painter.drawEllipse(QRect((width() - inner) / 2, (height() - inner) / 2, inner, inner));
}
