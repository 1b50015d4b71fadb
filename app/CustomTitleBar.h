#pragma once

#include <QList>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class CustomClickableLabel;
class CustomizeWindowIconButton;
class QHBoxLayout;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;

// The 67 px strip across the top of the frameless main window: logo or return
// control, avatar and login button, settings and the three window buttons.
// Every control only emits a signal; the window decides what happens.
class CustomTitleBar : public QWidget
{
    Q_OBJECT
public:
    explicit CustomTitleBar(QWidget *parent);
    ~CustomTitleBar() override;

    void setAvatarUrl(const QString &source);
    void setLoginText(const QString &text);
    void setReturnMode(bool returnMode, const QString &title);
    void setUserControlsVisible(bool visible);
    void setSettingBadgeVisible(bool visible);
    void setMaximizedState(bool maximized);

    QString loginText() const { return m_loginText; }
    QString avatarSource() const { return m_avatarSource; }
    bool isReturnMode() const;

    static QString defaultAvatarPath();
    // Made at `ratio` device pixels per logical one: the ratio of the widget it is drawn on.
    static QPixmap makeCircularPixmap(const QPixmap &source, const QSize &size, qreal ratio = 1.0);

signals:
    void minimizeClicked();
    void maximizeClicked();
    void closeClicked();
    void loginClicked();
    void settingClicked();
    void returnClicked();

private slots:
    void on_minButton_clicked();
    void on_maxButton_clicked();
    void on_closeButton_clicked();
    void on_loginButton_clicked();
    void on_settingButton_clicked();
    void on_return_clicked();

private:
    QWidget *buildLogoArea();
    QWidget *buildReturnArea();
    QWidget *buildRightArea();
    void applyStyleSheet();
    QPixmap loadLocalPixmap(const QString &path);
    void showAvatar(const QPixmap &source);
    void showDefaultAvatar();
    void onAvatarReplyFinished(QNetworkReply *reply, const QString &url);
    void rememberAvatar(const QString &url, const QPixmap &pixmap);

    QString m_loginText;
    QString m_avatarSource;
    QPixmap m_localPixmap;
    QString m_localPixmapPath;
    // URL to the picture as decoded; it is cut round when shown.
    QMap<QString, QPixmap> m_avatarCache;
    QList<QString> m_cacheOrder;
    QMap<QString, QPointer<QNetworkReply>> m_pendingRequests;
    QNetworkAccessManager *m_network = nullptr;

    CustomClickableLabel *m_returnIcon = nullptr;
    QLabel *m_returnTitle = nullptr;
    QLabel *m_logo = nullptr;
    QPushButton *m_avatarButton = nullptr;
    QPushButton *m_loginButton = nullptr;
    CustomizeWindowIconButton *m_settingButton = nullptr;
    CustomizeWindowIconButton *m_minButton = nullptr;
    CustomizeWindowIconButton *m_maxButton = nullptr;
    CustomizeWindowIconButton *m_closeButton = nullptr;
    QHBoxLayout *m_layout = nullptr;
    QWidget *m_logoArea = nullptr;
    QWidget *m_returnArea = nullptr;
};
