#pragma once

#include <QPixmap>
#include <QPointer>
#include <QPushButton>

class QPropertyAnimation;

// A checkable preset button: a text button (kind 0) or an icon card with a
// caption (kind 1) whose opacity marks idle against hovered/pressed/checked.
class StyledButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity NOTIFY opacityChanged)
public:
    enum Kind { TextButton = 0, IconCard = 1 };

    StyledButton(const QString &text, const QString &iconPath, QWidget *parent);
    StyledButton(const QString &text, int kind, QWidget *parent);
    explicit StyledButton(QWidget *parent);
    ~StyledButton() override;

    int kind() const { return m_kind; }
    double opacity() const { return m_opacity; }
    void setOpacity(double value);
    bool isHovered() const { return m_hovered; }

    // Re-reads whether the pointer is over the button (content may have moved under a still pointer).
    void refreshHoverState();

    QSize sizeHint() const override;

public slots:
    void setSelected(bool selected);

signals:
    void opacityChanged(double opacity);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setupButton();
    void rescaleIcon();
    void setupOpacityAnimation();
    void updateVisualState();
    bool isCursorInside() const;
    void paintBasicPreset(QPainter &painter, const QPainterPath &outline);

    int m_kind = TextButton;
    QPixmap m_icon;
    QPixmap m_scaledIcon;
    double m_opacity = 1.0;
    bool m_hovered = false;
    bool m_pressed = false;
    QColor m_hoverColor{60, 60, 61};
    QColor m_pressedColor{90, 90, 91};
    QPointer<QPropertyAnimation> m_opacityAnimation;
};
