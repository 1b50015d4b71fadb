#pragma once

#include <QWidget>

class CustomSlider;
class QLabel;

// A CustomSlider with its value read out beside it.
class WindowSlidingControl : public QWidget
{
    Q_OBJECT
public:
    explicit WindowSlidingControl(QWidget *parent = nullptr);
    ~WindowSlidingControl() override;

    void setValue(int value);
    int value() const;
    CustomSlider *slider() const { return m_slider; }
    QLabel *valueLabel() const { return m_label; }

signals:
    void onValue(int value);

public slots:
    void onValueChanged(int value);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupLayout();
    void updateLabelSize();

    CustomSlider *m_slider = nullptr;
    QLabel *m_label = nullptr;
};
