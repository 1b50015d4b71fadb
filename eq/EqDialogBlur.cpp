#include "eq/EqDialogBlur.h"

#include <QGraphicsBlurEffect>
#include <QWidget>

QWidget *EqDialogBlur::targetOf(QWidget *page)
{
    if (!page)
        return nullptr;
    QWidget *window = page->window();
    return window ? window : page;
}

EqDialogBlur::EqDialogBlur(QWidget *page) : m_target(targetOf(page))
{
    if (!m_target || m_target->graphicsEffect())
        return;
    auto *blur = new QGraphicsBlurEffect(page);
    blur->setBlurHints(QGraphicsBlurEffect::PerformanceHint);
    blur->setBlurRadius(kRadius);
    m_target->setGraphicsEffect(blur);
    m_effect = blur;
}

EqDialogBlur::~EqDialogBlur()
{
    if (m_target && m_effect && m_target->graphicsEffect() == m_effect)
        m_target->setGraphicsEffect(nullptr); // deletes the effect
}
