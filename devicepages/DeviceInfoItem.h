#pragma once

#include <QString>
#include <QWidget>

class DeviceInfoWidget;
class QHBoxLayout;
class QLabel;

// The device header at the bottom of the sidebar: headset thumbnail, name,
// and the connection status with the battery gauge.
class DeviceInfoItem : public QWidget
{
    Q_OBJECT
public:
    explicit DeviceInfoItem(QWidget *parent = nullptr);
    ~DeviceInfoItem() override;

    // A picture that does not load changes nothing.
    void setDeviceImage(const QString &path);
    void setBatteryLevel(int percent);
    void setBatteryVisible(bool visible);
    void setDeviceName(const QString &name);
    void setWiredConnection(bool wired);

    QString imagePath() const { return m_imagePath; }
    QString deviceName() const { return m_deviceName; }
    DeviceInfoWidget *statusWidget() const { return m_status; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void relayoutStatusRow();
    // The stored name, with an ellipsis (and whole in the tool tip) when wider than the sidebar allows.
    void showName();

    QString m_imagePath = QStringLiteral(":/images/#6E00FFmin.png");
    QLabel *m_thumbnail = nullptr;
    QLabel *m_nameLabel = nullptr;
    DeviceInfoWidget *m_status = nullptr;
    QHBoxLayout *m_statusRow = nullptr;
    bool m_wired = false;
    bool m_batteryVisible = true;
    QString m_deviceName;
    QWidget *m_leadingSpacer = nullptr;
    QWidget *m_trailingSpacer = nullptr;
};
