#pragma once

#include <QColor>
#include <QWidget>

// One colour choice of the connection page: a circle filled with a gradient
// from its colour to its accent colour, large and outlined when selected.
class ColorDot : public QWidget
{
    Q_OBJECT
public:
    ColorDot(const QColor &color, const QColor &accent, QWidget *parent = nullptr);
    ~ColorDot() override;

    QColor color() const { return m_color; }
    QColor accentColor() const { return m_accent; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
    QColor m_accent;
    bool m_selected = false;
};
