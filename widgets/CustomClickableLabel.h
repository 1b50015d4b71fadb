#pragma once

#include <QLabel>

// A label that reports hovering and, while clickable and enabled, a left click
// that is released inside it.
class CustomClickableLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CustomClickableLabel(QWidget *parent = nullptr, bool clickable = true,
                                  Qt::WindowFlags flags = Qt::WindowFlags());
    ~CustomClickableLabel() override;

    bool isClickable() const { return m_clickable; }
    void setClickable(bool clickable);

signals:
    void clicked();
    void hovered(bool inside);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void applyCursor();

    bool m_clickable;
    bool m_pressed = false;
};
