#include "widgets/WindowBlurBackdrop.h"

#include <QDialog>
#include <QEvent>
#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QPixmap>

WindowBlurBackdrop *WindowBlurBackdrop::cover(QWidget *target, qreal radius)
{
    QWidget *window = target ? target->window() : nullptr;
    if (!window || window->graphicsEffect() || of(window))
        return nullptr;
    return new WindowBlurBackdrop(window, radius);
}

WindowBlurBackdrop *WindowBlurBackdrop::of(const QWidget *window)
{
    return window ? window->findChild<WindowBlurBackdrop *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

int WindowBlurBackdrop::execOver(QWidget *target, QDialog *dialog, qreal radius)
{
    if (!dialog)
        return QDialog::Rejected;
    // The dialog may outlive the window, or the window the dialog: a window
    // that goes first takes its backdrop with it.
    const QPointer<WindowBlurBackdrop> backdrop = cover(target, radius);
    const int result = dialog->exec();
    delete backdrop.data();
    return result;
}

WindowBlurBackdrop::WindowBlurBackdrop(QWidget *window, qreal radius)
    : QWidget(window), m_window(window), m_radius(radius)
{
    setObjectName(QStringLiteral("windowBlurBackdrop"));
    // Not opaque: the window's content must still be painted beneath it, which
    // is what its copy is taken from.
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, &WindowBlurBackdrop::refresh);
    setGeometry(window->rect());
    refresh();
    window->installEventFilter(this);
    show();
    raise();
}

QImage WindowBlurBackdrop::blurred(const QImage &content, qreal radius, const QColor &background)
{
    if (content.isNull())
        return content;
    // Blurred in device pixels, so a picture at any pixel ratio keeps its place and its softness.
    const qreal ratio = content.devicePixelRatio();
    QImage source = content;
    source.setDevicePixelRatio(1.0);
    QGraphicsScene scene;
    auto *item = scene.addPixmap(QPixmap::fromImage(source));
    auto *blur = new QGraphicsBlurEffect;
    blur->setBlurRadius(radius * ratio);
    blur->setBlurHints(QGraphicsBlurEffect::PerformanceHint);
    item->setGraphicsEffect(blur);
    QImage result(source.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(background);
    {
        QPainter painter(&result);
        scene.render(&painter, QRectF(result.rect()), QRectF(source.rect()));
    }
    result.setDevicePixelRatio(ratio);
    return result;
}

void WindowBlurBackdrop::refresh()
{
    if (!m_window)
        return;
    m_grabbing = true;
    const QImage content = m_window->grab().toImage();
    m_grabbing = false;
    // A window that asked to be repainted but looks the same keeps its copy.
    if (content == m_content)
        return;
    m_content = content;
    m_picture = blurred(content, m_radius, m_window->palette().color(QPalette::Window));
    // Shown at once, so the repaint this asks of the window is known to be the
    // copy's own and takes no new copy; a repaint the window asked for
    // meanwhile still comes as an event of its own.
    m_showingPicture = true;
    repaint();
    m_showingPicture = false;
}

bool WindowBlurBackdrop::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && !m_grabbing && !m_showingPicture) {
        switch (event->type()) {
        case QEvent::Resize:
            setGeometry(m_window->rect());
            raise();
            m_refresh.start();
            break;
        case QEvent::UpdateRequest:
            m_refresh.start();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void WindowBlurBackdrop::paintEvent(QPaintEvent *)
{
    // While the window is being copied the backdrop is not part of it.
    if (m_grabbing || m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_picture);
}
