#pragma once

#include <QColor>
#include <QWidget>

class QPropertyAnimation;

// An animated on/off switch (40 x 18); the knob slides between x 1 and x 23.
class WindowSwitchButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int handlePosition READ handlePosition WRITE setHandlePosition NOTIFY handlePositionChanged)
public:
    explicit WindowSwitchButton(QWidget *parent = nullptr);
    ~WindowSwitchButton() override;

    bool isChecked() const { return m_checked; }
    void setChecked(bool on);

    int handlePosition() const { return m_handlePosition; }
    void setHandlePosition(int position);

    QSize sizeHint() const override;

signals:
    void toggled(bool checked);
    void handlePositionChanged(int position);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    static constexpr int kOffPosition = 1;
    static constexpr int kOnPosition = 23;

    bool m_checked = false;
    int m_handlePosition = kOffPosition;
    QColor m_onColor{0x00, 0xD6, 0x8B};
    QColor m_offColor{0x55, 0x55, 0x55};
    QColor m_knobColor{0xFF, 0xFF, 0xFF};
    QPropertyAnimation *m_animation = nullptr;
};
