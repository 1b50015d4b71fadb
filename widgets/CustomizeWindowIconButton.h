#pragma once

#include <QPushButton>

// A painted 24 x 24 title-bar glyph button: minimise, maximise/restore, close
// or settings, with an optional red badge.
class CustomizeWindowIconButton : public QPushButton
{
    Q_OBJECT
public:
    enum ButtonType { Minimize = 0, Maximize = 1, Close = 2, Setting = 3 };
    Q_ENUM(ButtonType)

    CustomizeWindowIconButton(ButtonType type, QWidget *parent, bool badgeVisible);
    ~CustomizeWindowIconButton() override;

    ButtonType type() const { return m_type; }
    bool isHovered() const { return m_hovered; }
    bool isPressedLook() const { return m_pressed; }
    bool isBadgeVisible() const { return m_badgeVisible; }
    bool isMaximizedState() const { return m_maximized; }

    void setBadgeVisible(bool visible);
    void setMaximizedState(bool maximized);

    // The glyph colour for the current hover/press state.
    QColor glyphColor() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void drawSettingGlyph(QPainter &painter) const;

    ButtonType m_type;
    bool m_hovered = false;
    bool m_pressed = false;
    bool m_badgeVisible = false;
    bool m_maximized = false;
};
