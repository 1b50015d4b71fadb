#pragma once

#include "eqcloud/GameCardDisplay.h"

#include <QWidget>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;

// One cloud EQ card (320 x 140). The delegate keeps a single hidden card,
// binds it to a row, and renders it; the card itself never receives input.
// Author pictures come from the shared GameCardImageCache.
class GameCard : public QWidget
{
    Q_OBJECT
public:
    static constexpr int cardWidth = 320;
    static constexpr int cardHeight = 140;
    static constexpr int avatarSize = 20;

    enum Mode {
        CloudList = 0,
        MySharing = 1,
        DownloadedList = 2,
    };

    // The parts of the card a click can mean.
    enum Part {
        NoPart,
        DownloadIcon,
        LikeIcon,
        CollectIcon,
        ShareCodeChip,
        MyDeleteIcon,
        MyDeleteCaption,
        PreviewIcon,
        PreviewCaption,
        ShareIcon,
        ShareCaption,
        DeleteIcon,
        DeleteCaption,
        ApplyButton,
    };

    explicit GameCard(QWidget *parent = nullptr);
    ~GameCard() override;

    void setDisplay(const GameCardDisplay &display);
    void setMode(int mode);
    void setApplied(bool applied);
    void setAvatarSource(const QString &source);
    // The device-pixel ratio the card's own pictures are made at: that of the
    // painter it is rendered into (the card itself is never on a screen).
    // Starts as the card's own ratio.
    void setPixelRatio(qreal ratio);
    qreal pixelRatio() const { return m_pixelRatio; }
    // The mark icons as they fit the current flags (cloud list and my sharing).
    void setMarkIcons(const QPixmap &download, const QPixmap &like, const QPixmap &collect);
    // The downloaded list's action icons; the delete icon also serves my sharing.
    void setActionIcons(const QPixmap &preview, const QPixmap &share, const QPixmap &remove);

    int mode() const { return m_mode; }
    bool isApplied() const { return m_applied; }
    QString avatarSource() const { return m_avatarSource; }
    Part partOf(const QWidget *widget) const;
    QWidget *applyRow() const { return m_applyRow; }
    QPushButton *applyButton() const { return m_applyButton; }
    QPixmap avatarPixmap() const;

signals:
    void avatarCacheUpdated(const QString &avatarSource);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    QWidget *buildCloudActions();
    QWidget *buildDownloadedActions();
    void retranslateUi();
    void renewMask();
    static void restyle(QWidget *widget, const QString &style);
    void showDefaultAvatar();
    void showAvatar(const QPixmap &pixmap);
    void onImageFetched(const QString &source, bool ok);
    QLabel *iconLabel(const QString &objectName);
    QLabel *textLabel(const QString &objectName, const QString &style);

    QLabel *m_title = nullptr;
    QLabel *m_avatar = nullptr;
    QLabel *m_author = nullptr;
    QLabel *m_desc = nullptr;
    QLabel *m_sc1 = nullptr;
    QLabel *m_sc2 = nullptr;

    QWidget *m_cloudActions = nullptr;
    QLabel *m_downloadIcon = nullptr;
    QLabel *m_downloadCount = nullptr;
    QLabel *m_likeIcon = nullptr;
    QLabel *m_likeCount = nullptr;
    QLabel *m_collectIcon = nullptr;
    QLabel *m_collectCount = nullptr;
    QLabel *m_shareChip = nullptr;
    QLabel *m_myDeleteIcon = nullptr;
    QLabel *m_myDeleteCaption = nullptr;

    QWidget *m_downloadedActions = nullptr;
    QLabel *m_previewIcon = nullptr;
    QLabel *m_previewCaption = nullptr;
    QLabel *m_shareIcon = nullptr;
    QLabel *m_shareCaption = nullptr;
    QLabel *m_deleteIcon = nullptr;
    QLabel *m_deleteCaption = nullptr;
    QWidget *m_applyRow = nullptr;
    QPushButton *m_applyButton = nullptr;

    QString m_avatarSource;
    // The default picture, cut round once: cards without a picture of their own show it.
    QPixmap m_roundDefaultAvatar;
    qreal m_pixelRatio;
    int m_mode = CloudList;
    bool m_applied = false;
};
