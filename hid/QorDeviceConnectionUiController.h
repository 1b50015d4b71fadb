#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class HidProtocolService;

// Keeps the device connection page in step with the Qor decoder's bypass
// session: while it holds, the page shows a wired connection and the Qor
// picture; when it ends or the target device goes away, the wireless look
// and the user's saved picture come back. Holds no widget itself: the page is
// reached through ConnectionView, which the page implements.
class QorDeviceConnectionUiController : public QObject
{
    Q_OBJECT
public:
    // What the controller needs of the connection page.
    class ConnectionView
    {
    public:
        virtual ~ConnectionView() = default;
        virtual void setWiredConnection(bool wired) = 0;
        // Shows the picture; `save` also makes it the user's choice.
        virtual void applyThemeImage(const QString &path, bool save) = 0;
        // Shows the user's saved picture.
        virtual void loadThemeImage() = 0;
        // The page as an object, so that the controller notices when it goes.
        virtual QObject *asQObject() = 0;
    };

    static inline const QString kQorThemeImage = QStringLiteral(":/images/VOZedod.png");

    QorDeviceConnectionUiController(ConnectionView *view, std::function<void(bool)> onQorSessionChanged,
                                    std::function<void()> refreshConnection, std::function<void()> refreshPage,
                                    QObject *parent = nullptr);

    // Follows the service's session and target-device signals; nothing is
    // connected without a service or a page.
    void bind(HidProtocolService *service);
    bool isBypassActive() const { return bypassActive; }

public slots:
    void onBypassSessionChanged(bool active);
    void onTargetDevicePresentChanged(bool present);

private:
    ConnectionView *view() const;
    void refresh();

    ConnectionView *connectionView = nullptr; // not owned
    QPointer<QObject> viewObject;             // tells whether the page still exists
    std::function<void(bool)> onQorSessionChanged;
    std::function<void()> refreshConnection;
    std::function<void()> refreshPage;
    bool bypassActive = false;
};
