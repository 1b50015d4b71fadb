#pragma once

#include <QWidget>

// The battery gauge of the device header (67 x 20). Its owner writes `level`
// (0..100) and `low` and repaints only when one of them changed.
class BatteryIndicator : public QWidget
{
    Q_OBJECT
public:
    explicit BatteryIndicator(QWidget *parent = nullptr);
    ~BatteryIndicator() override;

    // Amber up to 80 %, green above, red whenever `low` is set.
    QColor fillColor() const;
    // Width of the level bar in pixels.
    int levelBarWidth() const;

    int level = 20;
    bool low = false;
    int textPointSize = 11;

protected:
    void paintEvent(QPaintEvent *event) override;
};
