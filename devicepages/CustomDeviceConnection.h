#pragma once

#include "hid/QorDeviceConnectionUiController.h"

#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

class ColorSelector;
class CustomClickableLabel;
class DeviceInfoWidget;
class QLabel;
class QPropertyAnimation;
class QStackedWidget;
class QTimer;

// Delays of the connection page; tests shorten them.
struct DeviceConnectionDurations
{
    int nameRetryMs = 800;      // how long a missing device name may still arrive
    int hoverAnimationMs = 150; // picture grow and shrink
};

// The page shown while the program waits for the headset link or holds it:
// the headset picture in the user's colour, the name and status when
// connected, the sleep hint and the receiver unbind link when not. Also the
// view of the Qor connection controller, which switches it to the wired look.
class CustomDeviceConnection : public QWidget, public QorDeviceConnectionUiController::ConnectionView
{
    Q_OBJECT
public:
    static inline const QString kThemeImageKey = QStringLiteral("DeviceConnection/LastThemeImage");
    static inline const QString kDefaultThemeImage = QStringLiteral(":/images/#6E00FF.png");

    explicit CustomDeviceConnection(QWidget *parent = nullptr, const DeviceConnectionDurations &durations = {});
    ~CustomDeviceConnection() override;

    void setConnected(bool connected);
    // Only while connected and not wired.
    void setDeviceName(const QString &name);
    // Only while connected and not wired.
    void setBatteryLevel(int percent);

    // ConnectionView
    void setWiredConnection(bool wired) override;
    void applyThemeImage(const QString &path, bool save) override;
    void loadThemeImage() override;
    QObject *asQObject() override { return this; }

    bool isConnected() const { return m_connected; }
    bool isWired() const { return m_wired; }
    QString themeImage() const { return m_themeImage; }

    // The stored picture when it is one the page restores, else the default.
    static QString storedThemeImage();

signals:
    void backgroundClicked();
    void receiverUnbindRequested();
    // The colour the user picked shows, but the settings store refused it.
    void themeChoiceNotSaved();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void onColorChanged(const QColor &color);
    void onNameRetryTimeout();

private:
    void buildUi();
    QWidget *buildUnbindEntry();
    void applyStyle();
    void retranslateUi();
    void refreshName();
    void placeUnbindEntry();
    void growPicture();
    void shrinkPicture();
    // Runs `animation` (made on first use) from the current geometry to `target`.
    void animatePicture(QPointer<QPropertyAnimation> &animation, const QRect &target);
    void confirmReceiverUnbind();
    // The shown picture as the user's choice in the settings store; false when it could not be saved.
    bool storeThemeImage();

    DeviceConnectionDurations m_durations;
    ColorSelector *m_colorSelector = nullptr;
    QWidget *m_colorRow = nullptr;
    CustomClickableLabel *m_picture = nullptr;
    QStackedWidget *m_stateStack = nullptr;
    QLabel *m_hintLabel = nullptr;
    QLabel *m_nameLabel = nullptr;
    DeviceInfoWidget *m_statusWidget = nullptr;
    QWidget *m_unbindEntry = nullptr;
    QLabel *m_unbindIcon = nullptr;
    QLabel *m_unbindLabel = nullptr;
    QTimer *m_nameRetryTimer = nullptr;
    QPointer<QPropertyAnimation> m_growAnimation;
    QPointer<QPropertyAnimation> m_shrinkAnimation;

    bool m_wired = false;
    bool m_connected = false;
    bool m_nameRetryPending = false;
    QString m_themeImage;
    QString m_deviceName;
    QPixmap m_themePixmap;
    QRect m_pictureBaseRect;
};
