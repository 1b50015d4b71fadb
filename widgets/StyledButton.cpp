#include "widgets/StyledButton.h"

#include "widgets/DevicePixmap.h"

#include <QCursor>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

namespace {
constexpr qreal kOutlineRadius = 6.67;
constexpr double kIdleOpacity = 0.5;
constexpr double kDisabledOpacity = 0.3;

// Shared by every basic-preset button; loaded at the first such paint.
struct BasicPresetImages
{
    QPixmap normal;
    QPixmap checked;
};

const BasicPresetImages &basicPresetImages()
{
    static const BasicPresetImages images{QPixmap(QStringLiteral(":/images/Mask group.png")),
                                          QPixmap(QStringLiteral(":/images/Mask group checked.png"))};
    return images;
}
} // namespace

StyledButton::StyledButton(const QString &text, const QString &iconPath, QWidget *parent)
    : QPushButton(text, parent), m_kind(IconCard), m_opacity(kIdleOpacity)
{
    setupButton();
    m_icon.load(iconPath);
    rescaleIcon();
    update();
}

StyledButton::StyledButton(const QString &text, int kind, QWidget *parent)
    : QPushButton(text, parent), m_kind(kind), m_opacity(kind == IconCard ? kIdleOpacity : 1.0)
{
    setupButton();
}

StyledButton::StyledButton(QWidget *parent) : QPushButton(parent), m_kind(TextButton), m_opacity(1.0)
{
    setupButton();
}

StyledButton::~StyledButton() = default;

void StyledButton::setupButton()
{
    setCursor(Qt::PointingHandCursor);
    setFlat(true);
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);
    setCheckable(true);

    QFont f = font();
    f.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"), QStringLiteral("Segoe UI"),
                   QStringLiteral("sans-serif")});
    f.setPointSize(9);
    f.setWeight(QFont::Medium);
    setFont(f);

    rescaleIcon();
    setupOpacityAnimation();
    connect(this, &QPushButton::toggled, this, &StyledButton::updateVisualState);
    updateVisualState();
}

QSize StyledButton::sizeHint() const
{
    return m_kind == IconCard ? QSize(181, 122) : QSize(181, 84);
}

void StyledButton::rescaleIcon()
{
    if (m_icon.isNull()) {
        m_scaledIcon = QPixmap();
        return;
    }
    m_scaledIcon = DevicePixmap::scaled(m_icon, QSize(width(), 100), DevicePixmap::ratioOf(this));
}

void StyledButton::setupOpacityAnimation()
{
    if (m_opacityAnimation) {
        m_opacityAnimation->stop();
        delete m_opacityAnimation;
    }
    if (m_kind == IconCard) {
        m_opacityAnimation = new QPropertyAnimation(this, "opacity", this);
        m_opacityAnimation->setDuration(0);
    }
}

void StyledButton::setOpacity(double value)
{
    const double target = m_kind == IconCard ? qBound(0.0, value, 1.0) : 1.0;
    if (qFuzzyCompare(target, m_opacity))
        return;
    m_opacity = target;
    update();
    emit opacityChanged(target);
}

void StyledButton::updateVisualState()
{
    if (m_kind != IconCard)
        return;
    const double target = (isChecked() || m_hovered || m_pressed) ? 1.0 : kIdleOpacity;
    if (m_opacityAnimation)
        m_opacityAnimation->stop();
    setOpacity(target);
}

void StyledButton::setSelected(bool selected)
{
    setChecked(selected);
}

bool StyledButton::isCursorInside() const
{
    return isEnabled() && isVisible() && rect().contains(mapFromGlobal(QCursor::pos()));
}

void StyledButton::refreshHoverState()
{
    if (isEnabled() && isVisible()) {
        const bool inside = isCursorInside();
        if (inside != m_hovered) {
            m_hovered = inside;
            updateVisualState();
        }
    } else if (m_hovered) {
        m_hovered = false;
        updateVisualState();
    }
}

void StyledButton::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    if (!m_hovered) {
        m_hovered = true;
        updateVisualState();
    }
}

void StyledButton::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    if (!isCursorInside()) {
        m_hovered = false;
        updateVisualState();
    }
}

void StyledButton::hideEvent(QHideEvent *event)
{
    if (m_hovered) {
        m_hovered = false;
        updateVisualState();
        update();
    }
    QPushButton::hideEvent(event);
}

void StyledButton::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    QPushButton::mousePressEvent(event);
    updateVisualState();
}

void StyledButton::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressed = false;
    QPushButton::mouseReleaseEvent(event);
    updateVisualState();
}

void StyledButton::resizeEvent(QResizeEvent *event)
{
    QPushButton::resizeEvent(event);
    rescaleIcon();
    update();
}

void StyledButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);

    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), kOutlineRadius, kOutlineRadius, Qt::AbsoluteSize);

    const bool eqBasic = m_kind == TextButton && property("eqBasic").toBool();
    if (eqBasic) {
        paintBasicPreset(painter, outline);
    } else if (m_kind == TextButton) {
        QColor fill;
        if (!isEnabled())
            fill = QColor(80, 80, 80);
        else if (m_pressed || isChecked())
            fill = m_pressedColor;
        else if (m_hovered)
            fill = m_hoverColor;
        else
            fill = QColor(26, 26, 27);
        painter.fillPath(outline, fill);
    }

    if (m_kind == IconCard)
        painter.setOpacity(isEnabled() ? m_opacity : kDisabledOpacity);

    int grey = 153;
    if (!isEnabled())
        grey = 180;
    else if (m_hovered || m_pressed || isChecked())
        grey = 238;
    painter.setPen(QColor(grey, grey, grey));
    painter.setFont(font());

    if (m_kind == IconCard) {
        painter.save();
        painter.setClipPath(outline);
        // Made again when the window has moved to a screen of another ratio.
        if (!m_icon.isNull() && !qFuzzyCompare(m_scaledIcon.devicePixelRatio(), DevicePixmap::ratioOf(this)))
            rescaleIcon();
        if (!m_scaledIcon.isNull()) {
            const QSizeF drawn = m_scaledIcon.deviceIndependentSize();
            painter.drawPixmap(QPointF((width() - drawn.width()) / 2, (100 - drawn.height()) / 2), m_scaledIcon);
        }
        painter.drawText(QRect(0, height() - 20, width(), 20), Qt::AlignCenter, text());
        painter.restore();
    } else {
        const int flags = eqBasic ? (Qt::AlignCenter | Qt::TextWordWrap) : int(Qt::AlignCenter);
        painter.drawText(rect(), flags, text());
    }
}

void StyledButton::paintBasicPreset(QPainter &painter, const QPainterPath &outline)
{
    const BasicPresetImages &images = basicPresetImages();
    double opacity = kDisabledOpacity;
    if (isEnabled())
        opacity = (isChecked() || m_pressed || m_hovered) ? 1.0 : kIdleOpacity;
    const QPixmap &image = (isChecked() && !images.checked.isNull()) ? images.checked : images.normal;
    painter.save();
    painter.setClipPath(outline);
    painter.setOpacity(opacity);
    if (!image.isNull())
        painter.drawPixmap(rect(), DevicePixmap::scaled(image, size(), DevicePixmap::ratioOf(this), Qt::IgnoreAspectRatio));
    painter.restore();
}
