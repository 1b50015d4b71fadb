#pragma once

#include <QWidget>

class BatteryIndicator;
class QLabel;

// The connection status of the headset: a green dot, "2.4G 已连接" or
// "已连接" (wired), and the battery gauge.
class DeviceInfoWidget : public QWidget
{
    Q_OBJECT
public:
    DeviceInfoWidget(QWidget *parent, int textSize, int batteryValue);
    ~DeviceInfoWidget() override;

    // Limited to 0..100; below 20 the gauge shows the low look.
    void setBatteryLevel(int percent);
    void setBatteryVisible(bool visible);
    void setWiredConnection(bool wired);

    int batteryLevel() const;
    bool isBatteryLow() const;
    bool isWired() const { return m_wired; }
    QString statusText() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslateUi();

    int m_textSize;
    bool m_wired = false;
    QWidget *m_dot = nullptr;
    QLabel *m_status = nullptr;
    BatteryIndicator *m_battery = nullptr;
};
