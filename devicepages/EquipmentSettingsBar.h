#pragma once

#include <QWidget>

class AudioConfigMenuItem;
class DeviceInfoItem;
class EQMenuItem;
class MoreSettingsMenuItem;
class SidebarMenuItem;
class SurroundMenuItem;

// The device page's left sidebar: the menu entries and, at the bottom, the
// device header. It only reports clicks; the main window switches pages and
// pushes the device's state in through the setters.
class EquipmentSettingsBar : public QWidget
{
    Q_OBJECT
public:
    explicit EquipmentSettingsBar(QWidget *parent = nullptr);
    ~EquipmentSettingsBar() override;

    // Selects the more-settings entry without a signal.
    void selectMoreSettings();
    void setDeviceImage(const QString &path);
    void setBatteryLevel(int percent);
    void setBatteryVisible(bool visible);
    void setWiredConnection(bool wired);
    void setDeviceName(const QString &name);
    void setMoreSettingsRedDotVisible(bool visible);
    // Hiding the entry while it is selected falls back to the audio entry.
    void setMoreSettingsVisible(bool visible);

    AudioConfigMenuItem *audioItem() const { return m_audioItem; }
    EQMenuItem *eqItem() const { return m_eqItem; }
    SurroundMenuItem *surroundItem() const { return m_surroundItem; }
    MoreSettingsMenuItem *moreItem() const { return m_moreItem; }
    DeviceInfoItem *deviceItem() const { return m_deviceItem; }

signals:
    void audioConfigClicked();
    void eqClicked();
    void eqSubItemClicked(int index);
    void surroundClicked();
    void moreSettingsClicked();

private slots:
    void onAudioConfigClicked();
    void onEQClicked();
    void onEQSubItemClicked(int index);
    void onSurroundClicked();
    void onMoreSettingsClicked();

private:
    // Exactly `chosen` is selected among the top-level entries.
    void selectOnly(SidebarMenuItem *chosen);

    AudioConfigMenuItem *m_audioItem = nullptr;
    EQMenuItem *m_eqItem = nullptr;
    SurroundMenuItem *m_surroundItem = nullptr;
    MoreSettingsMenuItem *m_moreItem = nullptr;
    DeviceInfoItem *m_deviceItem = nullptr;
};
