#include "eqcloud/GameCard.h"

#include "widgets/DevicePixmap.h"
#include "widgets/KitFonts.h"
#include "widgets/RoundAvatar.h"
#include "eqcloud/EQCloudResources.h"
#include "eqcloud/GameCardImageCache.h"

#include <QBitmap>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kIconSize = 16;
constexpr int kActionRowHeight = 20;
const QString kAvatarRoundStyle = QStringLiteral("border-radius: 12.1212px;");
const QString kAvatarEmptyStyle = QStringLiteral("background-color: #292929;border-radius: 12.1212px;");

QString textStyle(const QString &colour, double pixelSize, int weight)
{
    return QStringLiteral("QLabel { background: transparent; border: none; color: %1; font-family: %2;"
                          " font-style: normal; font-weight: %3; font-size: %4px; }")
        .arg(colour, KitFonts::cssFamiliesSingleQuoted())
        .arg(weight)
        .arg(pixelSize);
}

QString applyButtonStyle(bool applied)
{
    const QString font = QStringLiteral("font-family: %1; font-size: 12px; font-weight: 400;")
                             .arg(KitFonts::cssFamiliesSingleQuoted());
    if (applied)
        return QStringLiteral("QPushButton { background: qlineargradient(x1:0, y1:1, x2:1, y2:0, stop:0 #6532CB,"
                              " stop:1 #410290); color: #FFFFFF; border: none; border-radius: 6.66667px;"
                              " padding: 0px 10px; %1 }")
            .arg(font);
    return QStringLiteral("QPushButton { background: transparent; color: #E4E4E4; border: 0.666667px solid #E4E4E4;"
                          " border-radius: 6.66667px; padding: 0px 10px; %1 }")
        .arg(font);
}

} // namespace

GameCard::GameCard(QWidget *parent) : QWidget(parent), m_pixelRatio(DevicePixmap::ratioOf(this))
{
    setFixedSize(cardWidth, cardHeight);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("background-color: #1A1A1B; border: none;"));
    renewMask();
    buildLayout();
    connect(GameCardImageCache::instance(), &GameCardImageCache::fetchFinished, this, &GameCard::onImageFetched);
    showDefaultAvatar();
    setMode(CloudList);
    setApplied(false);
    retranslateUi();
}

GameCard::~GameCard() = default;

QLabel *GameCard::iconLabel(const QString &objectName)
{
    auto *label = new QLabel(this);
    label->setObjectName(objectName);
    label->setFixedSize(kIconSize, kIconSize);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
    return label;
}

QLabel *GameCard::textLabel(const QString &objectName, const QString &style)
{
    auto *label = new QLabel(this);
    label->setObjectName(objectName);
    label->setStyleSheet(style);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

void GameCard::buildLayout()
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(12, 11, 12, 12);
    column->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(0);
    m_title = textLabel(QStringLiteral("gameCardTitle"), textStyle(QStringLiteral("#E4E4E4"), 14, 600));
    m_title->setFixedHeight(20);
    m_avatar = new QLabel(this);
    m_avatar->setObjectName(QStringLiteral("gameCardAvatar"));
    m_avatar->setFixedSize(avatarSize, avatarSize);
    m_author = textLabel(QStringLiteral("gameCardAuthor"), textStyle(QStringLiteral("#999999"), 12, 400));
    m_author->setFixedHeight(20);
    header->addWidget(m_title, 1);
    header->addWidget(m_avatar);
    header->addSpacing(4);
    header->addWidget(m_author);
    column->addLayout(header);
    column->addSpacing(9);

    m_desc = textLabel(QStringLiteral("gameCardDesc"), textStyle(QStringLiteral("#999999"), 12, 400));
    m_desc->setFixedHeight(28);
    m_desc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_desc->setWordWrap(true);
    column->addWidget(m_desc);

    // The two extra lines share one 16 px row: three rows would not fit the card.
    auto *tags = new QHBoxLayout;
    tags->setContentsMargins(0, 0, 0, 0);
    tags->setSpacing(8);
    m_sc1 = textLabel(QStringLiteral("gameCardSc1"), textStyle(QStringLiteral("#999999"), 11, 400));
    m_sc2 = textLabel(QStringLiteral("gameCardSc2"), textStyle(QStringLiteral("#999999"), 11, 400));
    m_sc1->setFixedHeight(16);
    m_sc2->setFixedHeight(16);
    tags->addWidget(m_sc1);
    tags->addWidget(m_sc2);
    tags->addStretch(1);
    auto *tagRow = new QWidget(this);
    tagRow->setFixedHeight(16);
    tagRow->setStyleSheet(QStringLiteral("background: transparent;"));
    tagRow->setLayout(tags);
    column->addWidget(tagRow);
    column->addSpacing(10);

    auto *separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("gameCardSeparator"));
    separator->setFixedHeight(1);
    separator->setStyleSheet(QStringLiteral("QFrame { background-color: #555555; border: none; margin: 0; padding: 0;"
                                            " min-height: 1px; max-height: 1px; }"));
    column->addWidget(separator);
    column->addSpacing(10);

    m_cloudActions = buildCloudActions();
    m_downloadedActions = buildDownloadedActions();
    column->addWidget(m_cloudActions);
    column->addWidget(m_downloadedActions);
    column->addStretch(1);
}

QWidget *GameCard::buildCloudActions()
{
    auto *row = new QWidget(this);
    row->setObjectName(QStringLiteral("gameCardCloudActions"));
    row->setFixedHeight(kActionRowHeight);
    row->setStyleSheet(QStringLiteral("background: transparent;"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    const QString countStyle = textStyle(QStringLiteral("#999999"), 12, 400);
    m_downloadIcon = iconLabel(QStringLiteral("gameCardDownloadIcon"));
    m_downloadCount = textLabel(QStringLiteral("gameCardDownloadCount"), countStyle);
    m_likeIcon = iconLabel(QStringLiteral("gameCardLikeIcon"));
    m_likeCount = textLabel(QStringLiteral("gameCardLikeCount"), countStyle);
    m_collectIcon = iconLabel(QStringLiteral("gameCardCollectIcon"));
    m_collectCount = textLabel(QStringLiteral("gameCardCollectCount"), countStyle);
    const std::pair<QLabel *, QLabel *> marks[] = {
        {m_downloadIcon, m_downloadCount}, {m_likeIcon, m_likeCount}, {m_collectIcon, m_collectCount}};
    for (const auto &[icon, count] : marks) {
        icon->setParent(row);
        count->setParent(row);
        count->setFixedHeight(kActionRowHeight);
        layout->addWidget(icon);
        layout->addWidget(count);
        layout->addSpacing(10);
    }
    layout->addStretch(1);

    m_myDeleteIcon = iconLabel(QStringLiteral("gameCardMyDeleteIcon"));
    m_myDeleteCaption = textLabel(QStringLiteral("gameCardMyDeleteCaption"), countStyle);
    m_myDeleteIcon->setParent(row);
    m_myDeleteCaption->setParent(row);
    m_myDeleteCaption->setFixedHeight(kActionRowHeight);
    layout->addWidget(m_myDeleteIcon);
    layout->addWidget(m_myDeleteCaption);
    layout->addSpacing(10);

    m_shareChip = new QLabel(row);
    m_shareChip->setObjectName(QStringLiteral("gameCardShareChip"));
    m_shareChip->setAlignment(Qt::AlignCenter);
    m_shareChip->setStyleSheet(QStringLiteral("QLabel { background-color: #292929; border-radius: 6px;"
                                              " padding: 2px 4px; color: #E4E4E4; font-family: %1;"
                                              " font-size: 11px; }")
                                   .arg(KitFonts::cssFamiliesSingleQuoted()));
    layout->addWidget(m_shareChip);
    return row;
}

QWidget *GameCard::buildDownloadedActions()
{
    auto *row = new QWidget(this);
    row->setObjectName(QStringLiteral("gameCardDownloadedActions"));
    row->setFixedHeight(kActionRowHeight);
    row->setStyleSheet(QStringLiteral("background: transparent;"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    const QString captionStyle = textStyle(QStringLiteral("#E4E4E4"), 12, 400);
    m_previewIcon = iconLabel(QStringLiteral("gameCardPreviewIcon"));
    m_previewCaption = textLabel(QStringLiteral("gameCardPreviewCaption"), captionStyle);
    m_shareIcon = iconLabel(QStringLiteral("gameCardShareIcon"));
    m_shareCaption = textLabel(QStringLiteral("gameCardShareCaption"), captionStyle);
    m_deleteIcon = iconLabel(QStringLiteral("gameCardDeleteIcon"));
    m_deleteCaption = textLabel(QStringLiteral("gameCardDeleteCaption"), captionStyle);
    const std::pair<QLabel *, QLabel *> actions[] = {
        {m_previewIcon, m_previewCaption}, {m_shareIcon, m_shareCaption}, {m_deleteIcon, m_deleteCaption}};
    for (const auto &[icon, caption] : actions) {
        icon->setParent(row);
        caption->setParent(row);
        caption->setFixedHeight(kActionRowHeight);
        layout->addWidget(icon);
        layout->addWidget(caption);
        layout->addSpacing(12);
    }
    layout->addStretch(1);

    m_applyRow = new QWidget(row);
    m_applyRow->setObjectName(QStringLiteral("gameCardApplyRow"));
    m_applyRow->setFixedHeight(kActionRowHeight);
    auto *applyLayout = new QHBoxLayout(m_applyRow);
    applyLayout->setContentsMargins(0, 0, 0, 0);
    applyLayout->setSpacing(0);
    m_applyButton = new QPushButton(m_applyRow);
    m_applyButton->setObjectName(QStringLiteral("gameCardApplyButton"));
    m_applyButton->setFixedSize(64, kActionRowHeight);
    m_applyButton->setFocusPolicy(Qt::NoFocus);
    applyLayout->addWidget(m_applyButton);
    layout->addWidget(m_applyRow);
    return row;
}

void GameCard::setDisplay(const GameCardDisplay &display)
{
    m_title->setText(display.title);
    m_author->setText(display.nickName);
    m_desc->setText(display.desc);
    m_sc1->setText(display.sc1Name);
    m_sc1->setVisible(!display.sc1Name.isEmpty());
    m_sc2->setText(display.sc2Name);
    m_sc2->setVisible(!display.sc2Name.isEmpty());
    m_downloadCount->setText(display.downloadCount);
    m_likeCount->setText(display.likeCount);
    m_collectCount->setText(display.collectCount);
}

void GameCard::setMode(int mode)
{
    m_mode = (mode == MySharing || mode == DownloadedList) ? mode : CloudList;
    m_cloudActions->setVisible(m_mode != DownloadedList);
    m_downloadedActions->setVisible(m_mode == DownloadedList);
    m_myDeleteIcon->setVisible(m_mode == MySharing);
    m_myDeleteCaption->setVisible(m_mode == MySharing);
}

void GameCard::setApplied(bool applied)
{
    m_applied = applied;
    m_applyButton->setText(applied ? tr("已应用") : tr("应用"));
    restyle(m_applyButton, applyButtonStyle(applied));
}

void GameCard::setMarkIcons(const QPixmap &download, const QPixmap &like, const QPixmap &collect)
{
    m_downloadIcon->setPixmap(download);
    m_likeIcon->setPixmap(like);
    m_collectIcon->setPixmap(collect);
}

void GameCard::setActionIcons(const QPixmap &preview, const QPixmap &share, const QPixmap &remove)
{
    m_previewIcon->setPixmap(preview);
    m_shareIcon->setPixmap(share);
    m_deleteIcon->setPixmap(remove);
    m_myDeleteIcon->setPixmap(remove);
}

GameCard::Part GameCard::partOf(const QWidget *widget) const
{
    if (!widget)
        return NoPart;
    const std::pair<const QWidget *, Part> parts[] = {
        {m_downloadIcon, DownloadIcon},       {m_likeIcon, LikeIcon},
        {m_collectIcon, CollectIcon},         {m_shareChip, ShareCodeChip},
        {m_myDeleteIcon, MyDeleteIcon},       {m_myDeleteCaption, MyDeleteCaption},
        {m_previewIcon, PreviewIcon},         {m_previewCaption, PreviewCaption},
        {m_shareIcon, ShareIcon},             {m_shareCaption, ShareCaption},
        {m_deleteIcon, DeleteIcon},           {m_deleteCaption, DeleteCaption},
        {m_applyButton, ApplyButton},
    };
    for (const auto &[part, name] : parts) {
        if (part == widget)
            return name;
    }
    return NoPart;
}

QPixmap GameCard::avatarPixmap() const
{
    return m_avatar->pixmap();
}

void GameCard::setPixelRatio(qreal ratio)
{
    ratio = std::max<qreal>(ratio, 1.0);
    if (qFuzzyCompare(ratio, m_pixelRatio))
        return;
    m_pixelRatio = ratio;
    m_roundDefaultAvatar = QPixmap();
    setAvatarSource(m_avatarSource);
}

void GameCard::setAvatarSource(const QString &source)
{
    m_avatarSource = source.trimmed();
    const QPixmap picture = GameCardImageCache::instance()->picture(m_avatarSource);
    if (picture.isNull())
        showDefaultAvatar();
    else
        showAvatar(picture);
}

void GameCard::onImageFetched(const QString &source, bool ok)
{
    if (!ok) {
        if (source == m_avatarSource)
            showDefaultAvatar();
        return;
    }
    emit avatarCacheUpdated(source);
    QPixmap pixmap;
    if (source == m_avatarSource && GameCardImageCache::instance()->lookup(source, &pixmap))
        showAvatar(pixmap);
}

void GameCard::restyle(QWidget *widget, const QString &style)
{
    // The card is bound again for every painted row: setting an unchanged
    // style sheet would still repolish the widget each time.
    if (widget->styleSheet() != style)
        widget->setStyleSheet(style);
}

void GameCard::showDefaultAvatar()
{
    if (m_roundDefaultAvatar.isNull()) {
        const QPixmap fallback(QString::fromLatin1(EQCloudResources::defaultAvatar));
        if (!fallback.isNull())
            m_roundDefaultAvatar = roundAvatar(fallback, QSize(avatarSize, avatarSize), m_pixelRatio);
    }
    if (m_roundDefaultAvatar.isNull()) {
        m_avatar->clear();
        restyle(m_avatar, kAvatarEmptyStyle);
        return;
    }
    restyle(m_avatar, kAvatarRoundStyle);
    m_avatar->setPixmap(m_roundDefaultAvatar);
}

void GameCard::showAvatar(const QPixmap &pixmap)
{
    restyle(m_avatar, kAvatarRoundStyle);
    m_avatar->setPixmap(roundAvatar(pixmap, QSize(avatarSize, avatarSize), m_pixelRatio));
}

void GameCard::retranslateUi()
{
    m_shareChip->setText(tr("分享码"));
    m_previewCaption->setText(tr("预览"));
    m_shareCaption->setText(tr("分享"));
    m_deleteCaption->setText(tr("删除"));
    m_myDeleteCaption->setText(tr("删除"));
    setApplied(m_applied);
}

void GameCard::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QWidget::changeEvent(event);
}

void GameCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor fill(QStringLiteral("#1A1A1B"));
    painter.fillRect(rect().adjusted(-1, -1, 1, 1), fill);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect(), 10, 10);
}

void GameCard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    renewMask();
}

void GameCard::renewMask()
{
    const double dpr = std::max(devicePixelRatioF(), 1.0);
    const QSize pixels(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)));
    QBitmap mask(pixels);
    mask.fill(Qt::color0);
    {
        QPainter painter(&mask);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::color1);
        painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(pixels)), 10 * dpr, 10 * dpr);
    }
    mask.setDevicePixelRatio(dpr);
    setMask(mask);
}
