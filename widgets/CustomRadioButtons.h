#pragma once

#include <QFontMetricsF>
#include <QRadioButton>

// A radio button with a painted 16 px indicator (a gradient disc with a check
// mark when checked, a faint ring when not); only left presses reach it.
class CustomRadioButtons : public QRadioButton
{
    Q_OBJECT
public:
    CustomRadioButtons(const QString &text, QWidget *parent);
    ~CustomRadioButtons() override;

    // Touches the button only when the state differs.
    void setCheckedState(bool checked);

    QSize sizeHint() const override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyCheckedFont();
    void drawIndicator(QPainter &painter, const QRectF &square) const;

    QFontMetricsF m_metrics;
};
