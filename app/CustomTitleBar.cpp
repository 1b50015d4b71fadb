#include "app/CustomTitleBar.h"

#include "account/AvatarImage.h"
#include "cloud/BoundedGet.h"
#include "cloud/ServerPicture.h"
#include "widgets/CustomClickableLabel.h"
#include "widgets/CustomizeWindowIconButton.h"
#include "widgets/DevicePixmap.h"
#include "widgets/KitFonts.h"
#include "widgets/PixelRatioFollower.h"
#include "widgets/RoundAvatar.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QPushButton>
#include <QStandardPaths>

namespace {
const QSize kAvatarSize(27, 27);
constexpr int kAvatarCacheLimit = 200;
// Decoded at twice the side drawn, for high-DPI screens; never at the size sent.
const int kAvatarDecodeSide = 2 * kAvatarSize.width();
constexpr int kLogoModeLeftMargin = 40;
constexpr int kReturnModeLeftMargin = 20;
} // namespace

CustomTitleBar::CustomTitleBar(QWidget *parent)
    : QWidget(parent), m_loginText(tr("点击登录")), m_avatarSource(defaultAvatarPath())
{
    m_network = new QNetworkAccessManager(this);
    auto *diskCache = new QNetworkDiskCache(m_network);
    diskCache->setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                                 + QStringLiteral("/avatar_http"));
    m_network->setCache(diskCache);

    setFixedHeight(67);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setAutoFillBackground(false);
    setUpdatesEnabled(false);

    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(kLogoModeLeftMargin, 0, 40, 0);
    m_layout->setSpacing(0);
    m_layout->setAlignment(Qt::AlignCenter);
    m_layout->addWidget(buildLogoArea());
    m_layout->addWidget(buildReturnArea());
    m_returnArea->hide();
    m_layout->addStretch(1);
    m_layout->addWidget(buildRightArea());

    connect(m_minButton, &QPushButton::clicked, this, &CustomTitleBar::on_minButton_clicked);
    connect(m_maxButton, &QPushButton::clicked, this, &CustomTitleBar::on_maxButton_clicked);
    connect(m_closeButton, &QPushButton::clicked, this, &CustomTitleBar::on_closeButton_clicked);
    connect(m_loginButton, &QPushButton::clicked, this, &CustomTitleBar::on_loginButton_clicked);
    connect(m_settingButton, &QPushButton::clicked, this, &CustomTitleBar::on_settingButton_clicked);
    connect(m_returnIcon, &CustomClickableLabel::clicked, this, &CustomTitleBar::on_return_clicked);
    applyStyleSheet();
    setUpdatesEnabled(true);
}

CustomTitleBar::~CustomTitleBar() = default;

QString CustomTitleBar::defaultAvatarPath()
{
    return QStringLiteral(":/images/headPortrait.png");
}

QWidget *CustomTitleBar::buildLogoArea()
{
    m_logoArea = new QWidget(this);
    auto *row = new QHBoxLayout(m_logoArea);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->setAlignment(Qt::AlignCenter);
    m_logo = new QLabel(m_logoArea);
    m_logo->setFixedSize(130, 40);
    m_logo->setScaledContents(false);
    m_logo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    DevicePixmap::showOn(m_logo, QStringLiteral(":/images/velkoraLogo.png"), QSize(130, 40));
    row->addWidget(m_logo);
    return m_logoArea;
}

QWidget *CustomTitleBar::buildReturnArea()
{
    m_returnArea = new QWidget(this);
    auto *row = new QHBoxLayout(m_returnArea);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->setAlignment(Qt::AlignCenter);
    m_returnIcon = new CustomClickableLabel(m_returnArea, true);
    m_returnIcon->setCursor(Qt::PointingHandCursor);
    m_returnIcon->setFixedSize(20, 20);
    m_returnIcon->setScaledContents(false);
    DevicePixmap::showOn(m_returnIcon, QStringLiteral(":/svgs/return.svg"), QSize(20, 20));
    m_returnTitle = new QLabel(m_returnArea);
    m_returnTitle->setObjectName(QStringLiteral("returnTitle"));
    m_returnTitle->setStyleSheet(QStringLiteral("color: #999999; font-size: 14px; font-weight: 400; font-family: %1;"
                                                " line-height: 20px;")
                                     .arg(KitFonts::cssFamiliesDoubleQuoted()));
    row->addWidget(m_returnIcon);
    row->addWidget(m_returnTitle);
    return m_returnArea;
}

QWidget *CustomTitleBar::buildRightArea()
{
    auto *rightArea = new QWidget(this);
    rightArea->setMinimumWidth(336);
    rightArea->setFixedHeight(27);
    auto *rightRow = new QHBoxLayout(rightArea);
    rightRow->setContentsMargins(0, 0, 0, 0);
    rightRow->setSpacing(67);
    rightRow->setAlignment(Qt::AlignCenter);

    auto *userArea = new QWidget(rightArea);
    userArea->setFixedHeight(27);
    auto *userRow = new QHBoxLayout(userArea);
    userRow->setContentsMargins(0, 0, 0, 0);
    userRow->setSpacing(8);
    userRow->setAlignment(Qt::AlignCenter);
    m_avatarButton = new QPushButton(userArea);
    m_avatarButton->setObjectName(QStringLiteral("avatarHeadButton"));
    m_avatarButton->setFixedSize(kAvatarSize);
    const QPixmap avatar = loadLocalPixmap(m_avatarSource);
    if (!avatar.isNull())
        showAvatar(avatar);
    m_loginButton = new QPushButton(m_loginText, userArea);
    m_loginButton->setObjectName(QStringLiteral("loginButton"));
    m_loginButton->setFixedHeight(27);
    m_loginButton->setCursor(Qt::PointingHandCursor);
    userRow->addWidget(m_avatarButton);
    userRow->addWidget(m_loginButton);

    auto *buttonArea = new QWidget(rightArea);
    buttonArea->setFixedSize(192, 24);
    auto *buttonRow = new QHBoxLayout(buttonArea);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->setSpacing(53);
    buttonRow->setAlignment(Qt::AlignCenter);
    m_settingButton = new CustomizeWindowIconButton(CustomizeWindowIconButton::Setting, buttonArea, false);
    auto *windowButtons = new QWidget(buttonArea);
    windowButtons->setFixedSize(115, 24);
    auto *windowRow = new QHBoxLayout(windowButtons);
    windowRow->setContentsMargins(0, 0, 0, 0);
    windowRow->setSpacing(0);
    windowRow->setAlignment(Qt::AlignCenter);
    m_minButton = new CustomizeWindowIconButton(CustomizeWindowIconButton::Minimize, windowButtons, false);
    m_maxButton = new CustomizeWindowIconButton(CustomizeWindowIconButton::Maximize, windowButtons, false);
    m_closeButton = new CustomizeWindowIconButton(CustomizeWindowIconButton::Close, windowButtons, false);
    windowRow->addWidget(m_minButton);
    windowRow->addStretch(0);
    windowRow->addWidget(m_maxButton);
    windowRow->addStretch(0);
    windowRow->addWidget(m_closeButton);
    buttonRow->addWidget(m_settingButton);
    buttonRow->addWidget(windowButtons);

    rightRow->addStretch(0);
    rightRow->addWidget(userArea);
    rightRow->addWidget(buttonArea);
    return rightArea;
}

void CustomTitleBar::applyStyleSheet()
{
    const QString base = QStringLiteral("border: none; background-color: transparent; padding: 0; margin: 0;");
    const QString style =
        QStringLiteral("CustomTitleBar { background-color: transparent; }"
                       "QPushButton#avatarHeadButton { %1 border-radius: %2px; }"
                       "QPushButton#avatarHeadButton:pressed { border: 3px solid rgba(255,255,255,0.6);"
                       " background-color: rgba(255,255,255,0.1); }"
                       "QPushButton#avatarHeadButton:hover { border: 2px solid rgba(255,255,255,0.3); }"
                       "QPushButton#loginButton { %1 font-family: %3; font-size: %4pt; font-weight: %5;"
                       " font-style: normal; color: rgb(%6,%7,%8); text-align: left; }"
                       "QPushButton#loginButton:hover { color: rgb(%9,%10,%11); }")
            .arg(base)
            .arg(13)
            .arg(KitFonts::cssFamiliesDoubleQuoted())
            .arg(10.6667, 0, 'g', -1)
            .arg(400)
            .arg(153)
            .arg(153)
            .arg(153)
            .arg(0)
            .arg(206)
            .arg(209);
    setStyleSheet(style);
}

void CustomTitleBar::on_minButton_clicked()
{
    emit minimizeClicked();
}

void CustomTitleBar::on_maxButton_clicked()
{
    emit maximizeClicked();
}

void CustomTitleBar::on_closeButton_clicked()
{
    emit closeClicked();
}

void CustomTitleBar::on_loginButton_clicked()
{
    emit loginClicked();
}

void CustomTitleBar::on_settingButton_clicked()
{
    emit settingClicked();
}

void CustomTitleBar::on_return_clicked()
{
    emit returnClicked();
}

void CustomTitleBar::setLoginText(const QString &text)
{
    m_loginText = text;
    m_loginButton->setText(text);
}

bool CustomTitleBar::isReturnMode() const
{
    return !m_returnArea->isHidden();
}

void CustomTitleBar::setReturnMode(bool returnMode, const QString &title)
{
    if (!m_logoArea || !m_returnArea || !m_layout || !m_returnTitle)
        return;
    if (returnMode) {
        m_logoArea->hide();
        m_returnTitle->setText(title);
        m_returnArea->show();
    } else {
        m_logoArea->show();
        m_returnArea->hide();
    }
    const QMargins margins = m_layout->contentsMargins();
    m_layout->setContentsMargins(returnMode ? kReturnModeLeftMargin : kLogoModeLeftMargin, margins.top(),
                                 margins.right(), margins.bottom());
}

void CustomTitleBar::setUserControlsVisible(bool visible)
{
    for (QPushButton *button : {m_avatarButton, m_loginButton, static_cast<QPushButton *>(m_settingButton)}) {
        QSizePolicy policy = button->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        button->setSizePolicy(policy);
        button->setVisible(visible);
        button->setEnabled(visible);
        button->setAttribute(Qt::WA_TransparentForMouseEvents, !visible);
        button->setGraphicsEffect(nullptr);
    }
}

void CustomTitleBar::setSettingBadgeVisible(bool visible)
{
    m_settingButton->setBadgeVisible(visible);
}

void CustomTitleBar::setMaximizedState(bool maximized)
{
    m_maxButton->setMaximizedState(maximized);
}

QPixmap CustomTitleBar::makeCircularPixmap(const QPixmap &source, const QSize &size, qreal ratio)
{
    const int d = qMin(size.width(), size.height());
    return roundAvatar(source, QSize(d, d), ratio);
}

QPixmap CustomTitleBar::loadLocalPixmap(const QString &path)
{
    if (path != m_localPixmapPath || m_localPixmap.isNull()) {
        QPixmap loaded(path);
        if (loaded.isNull())
            return QPixmap();
        m_localPixmap = loaded;
        m_localPixmapPath = path;
    }
    return m_localPixmap;
}

void CustomTitleBar::showAvatar(const QPixmap &source)
{
    // Cut round at the button's ratio, and again when the window moves to a
    // screen of another one.
    PixelRatioFollower::follow(m_avatarButton, [this, source](qreal ratio) {
        m_avatarButton->setIcon(QIcon(makeCircularPixmap(source, kAvatarSize, ratio)));
        m_avatarButton->setIconSize(kAvatarSize);
    });
}

void CustomTitleBar::showDefaultAvatar()
{
    showAvatar(loadLocalPixmap(defaultAvatarPath()));
}

void CustomTitleBar::setAvatarUrl(const QString &source)
{
    QString trimmed = source.trimmed();
    if (trimmed.isEmpty())
        trimmed = defaultAvatarPath();
    m_avatarSource = trimmed;

    if (!AvatarImage::isRemote(trimmed)) {
        const QPixmap local = loadLocalPixmap(trimmed);
        if (!local.isNull())
            showAvatar(local);
        return;
    }

    const QPixmap cached = m_avatarCache.value(trimmed);
    if (!cached.isNull()) {
        m_cacheOrder.removeOne(trimmed);
        m_cacheOrder.append(trimmed);
        showAvatar(cached);
        return;
    }
    if (m_pendingRequests.contains(trimmed))
        return;

    showDefaultAvatar();
    // Bounded in size and time like every avatar, so a body that never ends or
    // a server that never answers ends in the default picture.
    QNetworkReply *reply = AvatarImage::download(m_network, trimmed);
    m_pendingRequests.insert(trimmed, reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply, trimmed] { onAvatarReplyFinished(reply, trimmed); });
}

void CustomTitleBar::onAvatarReplyFinished(QNetworkReply *reply, const QString &url)
{
    const auto pending = m_pendingRequests.constFind(url);
    if (pending != m_pendingRequests.cend() && pending.value() == reply)
        m_pendingRequests.remove(url);
    reply->deleteLater();

    auto fallBack = [this, &url] {
        if (m_avatarSource == url)
            showDefaultAvatar();
    };
    const QImage downloaded = ServerPicture::decodeSquare(BoundedGet::body(reply), kAvatarDecodeSide);
    if (downloaded.isNull()) {
        fallBack();
        return;
    }
    // Kept as decoded, not cut round: it is cut at the ratio of the screen it shows on.
    const QPixmap picture = QPixmap::fromImage(downloaded);
    rememberAvatar(url, picture);
    if (m_avatarSource == url)
        showAvatar(picture);
}

void CustomTitleBar::rememberAvatar(const QString &url, const QPixmap &pixmap)
{
    m_avatarCache.insert(url, pixmap);
    m_cacheOrder.removeOne(url);
    m_cacheOrder.append(url);
    while (m_avatarCache.size() > kAvatarCacheLimit && !m_cacheOrder.isEmpty())
        m_avatarCache.remove(m_cacheOrder.takeFirst());
}
