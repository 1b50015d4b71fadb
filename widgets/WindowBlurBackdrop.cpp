#include "widgets/WindowBlurBackdrop.h"

#include <QDialog>
#include <QEvent>
#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace {

// A reduced copy is blurred by at least this many of its own pixels; fewer
// would let its pixels show through the blur.
constexpr qreal kLeastReducedRadius = 4.0;

struct Reduced
{
    QImage image; // at a ratio of 1
    qreal radius = 0; // in its pixels
};

// `content` scaled down as far as a blur of `radius` logical pixels allows.
Reduced reduced(const QImage &content, qreal radius)
{
    const qreal deviceRadius = radius * content.devicePixelRatio();
    const int factor = std::max(1, int(deviceRadius / kLeastReducedRadius));
    Reduced result;
    result.image = factor == 1 ? content
                               : content.scaled(std::max(1, content.width() / factor),
                                                std::max(1, content.height() / factor), Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation);
    result.image.setDevicePixelRatio(1.0);
    result.radius = deviceRadius * result.image.width() / content.width();
    return result;
}

// `soft` drawn over `logical` at `ratio` device pixels per logical pixel.
QImage drawnBack(const QImage &soft, const QSizeF &logical, qreal ratio)
{
    QImage picture((logical * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&picture);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(picture.rect()), soft, QRectF(soft.rect()));
    }
    picture.setDevicePixelRatio(ratio);
    return picture;
}

} // namespace

WindowBlurBackdrop *WindowBlurBackdrop::cover(QWidget *target, qreal radius)
{
    QWidget *window = target ? target->window() : nullptr;
    if (!window || window->graphicsEffect() || of(window))
        return nullptr;
    return new WindowBlurBackdrop(window, radius);
}

WindowBlurBackdrop *WindowBlurBackdrop::of(const QWidget *window)
{
    if (!window)
        return nullptr;
    const auto backdrops = window->findChildren<WindowBlurBackdrop *>(QString(), Qt::FindDirectChildrenOnly);
    for (WindowBlurBackdrop *backdrop : backdrops) {
        if (!backdrop->m_leaving)
            return backdrop;
    }
    return nullptr;
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

void WindowBlurBackdrop::showOver(QWidget *target, QDialog *dialog, qreal radius)
{
    if (!dialog)
        return;
    if (WindowBlurBackdrop *backdrop = cover(target, radius))
        backdrop->goWith(dialog);
    dialog->show();
}

WindowBlurBackdrop::WindowBlurBackdrop(QWidget *window, qreal radius)
    : QWidget(window), m_window(window), m_radius(radius)
{
    setObjectName(QStringLiteral("windowBlurBackdrop"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_refresh.setSingleShot(true);
    m_refresh.setTimerType(Qt::PreciseTimer);
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

QImage WindowBlurBackdrop::blurredReduced(const QImage &content, qreal radius, const QColor &background, qreal ratio)
{
    if (content.isNull())
        return content;
    const Reduced copy = reduced(content, radius);
    return drawnBack(blurred(copy.image, copy.radius, background), QSizeF(content.size()) / content.devicePixelRatio(),
                     ratio);
}

QImage WindowBlurBackdrop::picture() const
{
    return m_soft.isNull() ? QImage() : drawnBack(m_soft, m_softSize, devicePixelRatioF());
}

void WindowBlurBackdrop::scheduleRefresh()
{
    if (m_refresh.isActive())
        return;
    const qint64 since = m_sinceCopy.isValid() ? m_sinceCopy.elapsed() : kRenewIntervalMs;
    m_refresh.start(int(std::clamp<qint64>(kRenewIntervalMs - since, 0, kRenewIntervalMs)));
}

void WindowBlurBackdrop::refresh()
{
    if (!m_window)
        return;
    // However the timer was armed, never two copies within the interval.
    if (m_sinceCopy.isValid() && m_sinceCopy.elapsed() < kRenewIntervalMs) {
        scheduleRefresh();
        return;
    }
    // Told before the interval starts, so that two of these are never closer than it.
    emit copying();
    m_sinceCopy.start();
    // The backdrop hides what lies beneath it from the window's own repaints
    // (an animation there costs nothing while it is covered), but not from its copy.
    m_grabbing = true;
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    const QImage content = m_window->grab().toImage();
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    m_grabbing = false;
    // Compared once reduced: what the reduction evens out the blur would too.
    const Reduced copy = reduced(content, m_radius);
    // A window that repainted but looks the same keeps its picture.
    if (copy.image == m_reduced)
        return;
    m_reduced = copy.image;
    m_soft = blurred(copy.image, copy.radius, m_window->palette().color(QPalette::Window));
    m_softSize = QSizeF(content.size()) / content.devicePixelRatio();
    emit pictureRenewed();
    // Shown at once, so the repaint this asks of the window is known to be the
    // copy's own and takes no new copy; a repaint the window asked for
    // meanwhile still comes as an event of its own.
    m_showingPicture = true;
    repaint();
    m_showingPicture = false;
}

void WindowBlurBackdrop::goWith(QDialog *dialog)
{
    m_dialog = dialog;
    dialog->installEventFilter(this);
    connect(dialog, &QObject::destroyed, this, &WindowBlurBackdrop::leave);
}

void WindowBlurBackdrop::leave()
{
    // Done with at once, so that a dialog shown next (from this one's answer)
    // finds the window bare and gets a backdrop of its own.
    m_leaving = true;
    if (m_window)
        m_window->removeEventFilter(this);
    m_refresh.stop();
    hide();
    deleteLater();
}

bool WindowBlurBackdrop::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_dialog.data() && event->type() == QEvent::Hide) {
        m_dialog->removeEventFilter(this);
        disconnect(m_dialog.data(), nullptr, this, nullptr);
        m_dialog = nullptr;
        leave();
    } else if (watched == m_window && !m_grabbing && !m_showingPicture) {
        switch (event->type()) {
        case QEvent::Resize:
            setGeometry(m_window->rect());
            raise();
            scheduleRefresh();
            break;
        case QEvent::UpdateRequest:
            scheduleRefresh();
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
    if (m_grabbing)
        return;
    QPainter painter(this);
    // Enlarged as it is drawn, only where the window repaints: a picture
    // made at the full size would take as long to make, and more memory.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF drawn(QPointF(0, 0), m_softSize);
    painter.drawImage(drawn, m_soft, QRectF(m_soft.rect()));
    // A window grown since its last copy: the rest until the next one.
    const QRegion rest = QRegion(rect()) - drawn.toAlignedRect();
    for (const QRect &part : rest)
        painter.fillRect(part, m_window ? m_window->palette().color(QPalette::Window) : QColor(Qt::black));
}
