// The carousel's place over its host window: the blurred backdrop, centring,
// the rounded mask, and what showing and hiding start and stop.
#include "eq/EQSoundEffectHelpCarousel.h"

#include "eq/EqHelpBlurSurface.h"
#include "eq/EqHelpSnapScrollArea.h"
#include "widgets/WindowBlurBackdrop.h"

#include <QEvent>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {
constexpr qreal kBlurRadius = 5;
constexpr qreal kMaskRadius = 12;
} // namespace

QPixmap EQSoundEffectHelpCarousel::blurPixmap(const QPixmap &pixmap, qreal radius)
{
    if (pixmap.isNull())
        return pixmap;
    return QPixmap::fromImage(
        WindowBlurBackdrop::blurred(pixmap.toImage(), std::max<qreal>(radius, 1), Qt::transparent));
}

void EQSoundEffectHelpCarousel::refreshSnapshot()
{
    if (!m_host || !m_backdrop)
        return;
    // The backdrop itself must not be part of the picture it blurs.
    const bool wasVisible = m_backdrop->isVisible();
    m_backdrop->setVisible(false);
    const QPixmap shot = m_host->grab(QRect(0, 0, m_host->width(), m_host->height()));
    m_backdrop->setVisible(wasVisible);
    m_backdrop->setSnapshot(blurPixmap(shot, kBlurRadius));
}

void EQSoundEffectHelpCarousel::centreOnHost()
{
    QWidget *host = m_host ? m_host.data() : (parentWidget() ? parentWidget()->window() : nullptr);
    if (!host)
        return;
    const QRect frame = host->frameGeometry();
    move(frame.x() + (frame.width() - width()) / 2, frame.y() + (frame.height() - height()) / 2);
}

void EQSoundEffectHelpCarousel::applyRoundedMask()
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kMaskRadius, kMaskRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void EQSoundEffectHelpCarousel::showEvent(QShowEvent *event)
{
    if (parentWidget()) {
        m_host = parentWidget()->window();
        if (m_host && !m_backdrop) {
            m_backdrop = new EqHelpBlurSurface(m_host);
            m_backdrop->setAttribute(Qt::WA_TranslucentBackground);
            m_backdrop->setAttribute(Qt::WA_NoSystemBackground);
        }
        if (m_host && m_backdrop) {
            m_backdrop->setGeometry(0, 0, m_host->width(), m_host->height());
            refreshSnapshot();
            m_backdrop->show();
            m_backdrop->raise();
            if (!m_hostFilterInstalled) {
                m_host->installEventFilter(this);
                m_hostFilterInstalled = true;
            }
        }
    } else {
        m_host.clear();
    }

    QDialog::showEvent(event);
    centreOnHost();
    if (m_backdrop)
        m_backdrop->raise();
    applyRoundedMask();
    raise();

    if (m_slide && m_slide->state() == QAbstractAnimation::Running)
        m_slide->stop();
    m_pager->horizontalScrollBar()->setValue(0);
    updateIndicators();
    restartTimer();
}

void EQSoundEffectHelpCarousel::hideEvent(QHideEvent *event)
{
    if (m_slide && m_slide->state() == QAbstractAnimation::Running)
        m_slide->stop();
    m_timer->stop();
    if (m_backdrop)
        m_backdrop->hide();
    if (m_hostFilterInstalled && m_host) {
        m_host->removeEventFilter(this);
    }
    m_hostFilterInstalled = false;
    QDialog::hideEvent(event);
}

bool EQSoundEffectHelpCarousel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_host && event->type() == QEvent::Resize && m_backdrop && m_backdrop->isVisible()) {
        m_backdrop->setGeometry(0, 0, m_host->width(), m_host->height());
        refreshSnapshot();
        m_backdrop->raise();
        centreOnHost();
    }
    return QDialog::eventFilter(watched, event);
}

