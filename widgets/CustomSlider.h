#pragma once

#include <QSlider>

// A horizontal 0..100 slider that jumps to the pointer and paints its own
// track, gradient fill and handle.
class CustomSlider : public QSlider
{
    Q_OBJECT
public:
    explicit CustomSlider(QWidget *parent = nullptr);
    ~CustomSlider() override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void jumpTo(QMouseEvent *event);

    double m_trackHeightRatio = 0.47;
    double m_handleScale = 1.0;
    double m_trackRadiusRatio = 0.25;
    double m_handleRadiusRatio = 0.1667;
    double m_gripLengthRatio = 0.6;
    double m_gripWidthRatio = 0.0769;
};
