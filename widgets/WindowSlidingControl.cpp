#include "widgets/WindowSlidingControl.h"

#include "widgets/CustomSlider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <cmath>

namespace {
int roundHalfAway(double v)
{
    return static_cast<int>(std::lround(v));
}
} // namespace

WindowSlidingControl::WindowSlidingControl(QWidget *parent) : QWidget(parent)
{
    m_slider = new CustomSlider(this);
    m_label = new QLabel(QString::number(m_slider->value()), this);
    setupLayout();
}

WindowSlidingControl::~WindowSlidingControl() = default;

void WindowSlidingControl::setupLayout()
{
    auto *row = new QHBoxLayout(this);
    const int side = roundHalfAway(width() * 0.05);
    row->setContentsMargins(side, 0, side, 0);
    row->setSpacing(roundHalfAway(width() * 0.04));
    updateLabelSize();
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setStyleSheet(QStringLiteral(" font-family: 'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif;"
                                          " font-size: 10px; font-weight: 400; color: #999999; background: transparent;"
                                          " border: none;"));
    connect(m_slider, &QSlider::valueChanged, this, &WindowSlidingControl::onValueChanged);
    row->addWidget(m_slider, 0);
    row->addWidget(m_label, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void WindowSlidingControl::updateLabelSize()
{
    const int lh = roundHalfAway(height() * 0.7);
    m_label->setFixedSize(roundHalfAway(2.0 * lh), lh);
    QFont f = m_label->font();
    f.setPixelSize(qMax(1, roundHalfAway(lh * 0.6)));
    m_label->setFont(f);
}

void WindowSlidingControl::setValue(int value)
{
    m_slider->setValue(value);
}

int WindowSlidingControl::value() const
{
    return m_slider->value();
}

void WindowSlidingControl::onValueChanged(int value)
{
    m_label->setText(QString::number(value));
    m_slider->setToolTip(QStringLiteral("%1").arg(value));
    emit onValue(value);
}

void WindowSlidingControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateLabelSize();
}
