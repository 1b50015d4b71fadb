#pragma once

#include <QSlider>

// A horizontal slider drawn as a rounded track whose part up to the value is
// filled with the accent gradient; it has no visible handle.
class RoundedTrackSlider : public QSlider
{
    Q_OBJECT
public:
    explicit RoundedTrackSlider(QWidget *parent = nullptr);
    ~RoundedTrackSlider() override;

    // Width of the filled part in pixels.
    int filledWidth() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
