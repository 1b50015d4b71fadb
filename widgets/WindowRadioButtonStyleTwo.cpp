#include "widgets/WindowRadioButtonStyleTwo.h"

#include "widgets/SoundEffectIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

WindowRadioButtonStyleTwo::WindowRadioButtonStyleTwo(const QString &text, bool checked, QWidget *parent)
    : QWidget(parent), m_text(text), m_checked(checked)
{
    setMinimumSize(97, 19);
    setCursor(Qt::PointingHandCursor);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    m_icon = new SoundEffectIcon(this, checked);
    m_label = new QLabel(text, this);
    row->addWidget(m_icon);
    row->addWidget(m_label);
    applyLabelStyle();
}

WindowRadioButtonStyleTwo::~WindowRadioButtonStyleTwo() = default;

void WindowRadioButtonStyleTwo::setButtonText(const QString &text)
{
    m_text = text;
    m_label->setText(text);
}

void WindowRadioButtonStyleTwo::setChecked(bool checked)
{
    m_checked = checked;
    m_icon->setChecked(checked);
    m_icon->update();
    applyLabelStyle();
}

void WindowRadioButtonStyleTwo::applyLabelStyle()
{
    m_label->setStyleSheet(QStringLiteral(" font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;"
                                          " font-size: 13.33px; font-weight: 500; color: %1;")
                               .arg(m_checked ? QStringLiteral("#E4E4E4") : QStringLiteral("#777777")));
}

void WindowRadioButtonStyleTwo::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QWidget::mousePressEvent(event);
}
