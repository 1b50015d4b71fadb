#pragma once

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class CustomClickableLabel;
class QFrame;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QToolButton;

// The account page of the main window: avatar, nickname, masked password,
// e-mail and phone, each with a way to change it, and the logout button.
// It changes nothing itself: every action is a signal for the main window,
// which pushes the account data back in through the setters. It loads the
// avatar picture itself, bounded in size and time (memory cache of 32
// pictures held at the size they are drawn, disk cache under the cache
// folder's "avatar_http").
class CustomUserProfilePage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int avatarCacheLimit = 32;

    explicit CustomUserProfilePage(QWidget *parent = nullptr);
    ~CustomUserProfilePage() override;

    // An http(s) address is downloaded (the default picture shows meanwhile),
    // anything else is read as a file or resource path; empty shows the default.
    void setAvatarUrl(const QString &url);
    void setNickname(const QString &nickname);
    void setEmail(const QString &email);
    void setPhone(const QString &phone);
    // Shown as 4 to 32 bullets, never the real length beyond that range.
    void setPasswordLength(int length);
    void setEmailEditable(bool editable);
    void setPhoneEditable(bool editable);

signals:
    void editNickNameRequested();
    void editAvatarRequested();
    void modifyPasswordRequested();
    void modifyEmailRequested();
    void modifyPhoneRequested();
    void logoutRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    QFrame *makeNicknameCard();
    QFrame *makeModifyCard(QLabel *caption, QLabel *value, QPushButton *button);
    void retranslateUi();

    void cancelPendingAvatar();
    void onAvatarReplyFinished(QNetworkReply *reply, const QString &url);
    void rememberAvatar(const QString &url, const QPixmap &pixmap);
    void renderAvatar(const QPixmap &source);

    QString m_currentAvatarUrl;
    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_pendingAvatarReply;
    QHash<QString, QPixmap> m_avatarCache;
    QStringList m_avatarCacheOrder;

    CustomClickableLabel *m_avatarLabel;
    QLabel *m_nicknameCaption;
    QLabel *m_nicknameValue;
    QLabel *m_passwordCaption;
    QLabel *m_passwordValue;
    QLabel *m_emailCaption;
    QLabel *m_emailValue;
    QLabel *m_phoneCaption;
    QLabel *m_phoneValue;
    QToolButton *m_nicknameEditButton;
    QPushButton *m_passwordButton;
    QPushButton *m_emailButton;
    QPushButton *m_phoneButton;
    QPushButton *m_logoutButton;
};
