#include "devicepages/CustomDeviceConnection.h"

#include "widgets/CustomClickableLabel.h"
#include "widgets/DevicePixmap.h"
#include "devicepages/ColorSelector.h"
#include "devicepages/DeviceInfoWidget.h"
#include "devicepages/DevicePageDialog.h"
#include "language/SettingsStore.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QSize kPictureSize(400, 400);
// Room around the picture for its hover growth: 6 px each side, 10 px up, 2 px down.
const QMargins kPictureGrowth(6, 10, 6, 2);

// Only these pictures are brought back at start; the others fall back to the default.
bool isRestorableThemeImage(const QString &path)
{
    static const QStringList restorable{QStringLiteral(":/images/#6E00FF.png"),
                                        QStringLiteral(":/images/Group 18056.png"),
                                        QStringLiteral(":/images/Group 18057.png")};
    return restorable.contains(path);
}

} // namespace

CustomDeviceConnection::CustomDeviceConnection(QWidget *parent, const DeviceConnectionDurations &durations)
    : QWidget(parent), m_durations(durations)
{
    m_nameRetryTimer = new QTimer(this);
    m_nameRetryTimer->setObjectName(QStringLiteral("nameRetryTimer"));
    m_nameRetryTimer->setSingleShot(true);
    m_themeImage = storedThemeImage(); // the default unless a restorable one is stored

    setAttribute(Qt::WA_NoSystemBackground, true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setUpdatesEnabled(false);
    buildUi();

    connect(m_colorSelector, &ColorSelector::colorChanged, this, &CustomDeviceConnection::onColorChanged);
    connect(m_picture, &CustomClickableLabel::clicked, this, [this] {
        if (m_connected)
            emit backgroundClicked();
    });
    connect(m_picture, &CustomClickableLabel::hovered, this, [this](bool inside) {
        if (m_connected && inside)
            growPicture();
        else
            shrinkPicture();
    });

    applyThemeImage(m_themeImage, true);
    connect(m_nameRetryTimer, &QTimer::timeout, this, &CustomDeviceConnection::onNameRetryTimeout);
    applyStyle();
    retranslateUi();
    setUpdatesEnabled(true);
}

CustomDeviceConnection::~CustomDeviceConnection() = default;

QString CustomDeviceConnection::storedThemeImage()
{
    const QString stored = SettingsStore::value(kThemeImageKey).toString().trimmed();
    return isRestorableThemeImage(stored) ? stored : kDefaultThemeImage;
}

void CustomDeviceConnection::buildUi()
{
    m_colorSelector = new ColorSelector(this);
    m_colorSelector->setObjectName(QStringLiteral("colorSelector"));
    m_colorRow = new QWidget(this);
    m_colorRow->setObjectName(QStringLiteral("bootDeviceTopColor"));
    auto *colorLayout = new QHBoxLayout(m_colorRow);
    colorLayout->setContentsMargins(0, 0, 0, 0);
    colorLayout->addWidget(m_colorSelector, 0, Qt::AlignRight);

    // The picture is placed by hand inside its area, so that the hover
    // animation can move it without the layout taking it back.
    auto *topArea = new QWidget(this);
    topArea->setObjectName(QStringLiteral("bootDeviceTopArea"));
    topArea->setFixedSize(kPictureSize.grownBy(kPictureGrowth));
    m_picture = new CustomClickableLabel(topArea, false);
    m_picture->setObjectName(QStringLiteral("devicePicture"));
    m_picture->setMinimumSize(kPictureSize);
    m_picture->setMaximumSize(topArea->size());
    m_picture->setGeometry(QRect(QPoint(kPictureGrowth.left(), kPictureGrowth.top()), kPictureSize));
    m_picture->setScaledContents(true);
    m_picture->setAlignment(Qt::AlignCenter);

    m_stateStack = new QStackedWidget(this);
    m_stateStack->setObjectName(QStringLiteral("connectionStateStack"));
    m_hintLabel = new QLabel(m_stateStack);
    m_hintLabel->setObjectName(QStringLiteral("titleLabel"));
    m_hintLabel->setAlignment(Qt::AlignCenter);
    m_stateStack->addWidget(m_hintLabel);

    auto *bottomArea = new QWidget(m_stateStack);
    bottomArea->setObjectName(QStringLiteral("bootDeviceBottomArea"));
    m_nameLabel = new QLabel(bottomArea);
    m_nameLabel->setObjectName(QStringLiteral("deviceNameLabel"));
    m_nameLabel->setAlignment(Qt::AlignCenter);
    m_statusWidget = new DeviceInfoWidget(bottomArea, 14, 11);
    m_statusWidget->setObjectName(QStringLiteral("deviceStatus"));
    auto *bottomLayout = new QVBoxLayout(bottomArea);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(7);
    bottomLayout->setAlignment(Qt::AlignCenter);
    bottomLayout->addWidget(m_nameLabel, 0, Qt::AlignCenter);
    bottomLayout->addWidget(m_statusWidget, 0, Qt::AlignCenter);
    m_stateStack->addWidget(bottomArea);
    m_stateStack->setCurrentIndex(0);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(80, 40, 80, 40);
    layout->setSpacing(0);
    layout->addWidget(m_colorRow, 0, Qt::AlignRight);
    layout->addStretch();
    layout->addWidget(topArea, 0, Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(m_stateStack, 0, Qt::AlignCenter);
    layout->addStretch();

    m_unbindEntry = buildUnbindEntry();
}

QWidget *CustomDeviceConnection::buildUnbindEntry()
{
    auto *entry = new QWidget(this);
    entry->setObjectName(QStringLiteral("receiverUnbindEntry"));
    entry->setCursor(Qt::PointingHandCursor);
    m_unbindIcon = new QLabel(entry);
    m_unbindIcon->setObjectName(QStringLiteral("receiverUnbindIcon"));
    m_unbindIcon->setFixedSize(24, 24);
    m_unbindIcon->setScaledContents(true);
    m_unbindIcon->setPixmap(QPixmap(QStringLiteral(":/images/untie.png")));
    m_unbindLabel = new QLabel(entry);
    m_unbindLabel->setObjectName(QStringLiteral("receiverUnbindLabel"));
    m_unbindLabel->setFixedHeight(24);
    m_unbindLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The entry itself takes the clicks; the event filter below reads them.
    m_unbindIcon->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    m_unbindLabel->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    auto *row = new QHBoxLayout(entry);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    row->addWidget(m_unbindIcon);
    row->addWidget(m_unbindLabel);
    entry->installEventFilter(this);
    return entry;
}

void CustomDeviceConnection::applyStyle()
{
    setStyleSheet(QStringLiteral(
        "QLabel#titleLabel { font-family: 'Microsoft YaHei',sans-serif; font-size: 14px; font-style: normal;"
        " font-weight: 400; color: #E4E4E4; background: transparent; }"
        "QLabel#deviceNameLabel { font-family: 'PingFang SC Heavy','Microsoft YaHei',sans-serif; font-size: 32px;"
        " font-style: normal; font-weight: 400; color: #999999; line-height: 45px; background: transparent; }"
        "#bootDeviceTopColor, #bootDeviceTopArea, #bootDeviceBottomArea, #receiverUnbindEntry,"
        " #receiverUnbindIcon, #connectionStateStack { background: transparent; }"
        "QLabel#receiverUnbindLabel { font-family: 'PingFang SC', 'Microsoft YaHei', sans-serif; font-size: 16px;"
        " font-weight: 400; color: #999999; text-decoration: underline; background: transparent; }"));
}

void CustomDeviceConnection::retranslateUi()
{
    m_hintLabel->setText(tr("若已进入休眠状态请重新启动耳机或检查连接模式是否为2.4G(可尝试重新插拔接收器)\n"
                            "注:插入音频线或蓝牙模式都不可使用驱动"));
    m_unbindLabel->setText(tr("接收器解绑"));
    refreshName();
    placeUnbindEntry();
}

void CustomDeviceConnection::placeUnbindEntry()
{
    m_unbindLabel->ensurePolished();
    const int width = QFontMetrics(m_unbindLabel->font()).horizontalAdvance(m_unbindLabel->text()) + 27;
    m_unbindEntry->setGeometry(this->width() - 80 - width, height() - 64, width, 24);
    m_unbindEntry->raise();
}

void CustomDeviceConnection::setConnected(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    m_unbindEntry->setVisible(!connected);
    if (!connected) {
        m_nameRetryTimer->stop();
        m_nameRetryPending = false;
        m_picture->setClickable(false);
        shrinkPicture();
        m_stateStack->setCurrentIndex(0);
        return;
    }
    m_nameRetryPending = m_deviceName.trimmed().isEmpty();
    if (m_nameRetryPending)
        m_nameRetryTimer->start(m_durations.nameRetryMs);
    m_picture->setClickable(true);
    m_stateStack->setCurrentIndex(1);
    refreshName();
}

void CustomDeviceConnection::setDeviceName(const QString &name)
{
    if (!m_connected || m_wired)
        return;
    m_deviceName = name.trimmed();
    m_nameRetryTimer->stop();
    m_nameRetryPending = false;
    refreshName();
}

void CustomDeviceConnection::setBatteryLevel(int percent)
{
    if (!m_connected || m_wired)
        return;
    m_statusWidget->setBatteryLevel(percent);
}

void CustomDeviceConnection::setWiredConnection(bool wired)
{
    if (wired == m_wired)
        return;
    m_wired = wired;
    m_colorRow->setVisible(!wired);
    m_statusWidget->setBatteryVisible(!wired);
    m_statusWidget->setWiredConnection(wired);
    refreshName();
}

void CustomDeviceConnection::onNameRetryTimeout()
{
    if (!m_connected || !m_deviceName.trimmed().isEmpty())
        return;
    m_nameRetryPending = false;
    refreshName();
}

void CustomDeviceConnection::refreshName()
{
    if (m_wired && m_connected) {
        m_nameLabel->setText(QStringLiteral("VELKORA QOR"));
        return;
    }
    const QString name = m_deviceName.trimmed();
    if (!name.isEmpty())
        m_nameLabel->setText(name);
    else if (!m_nameRetryPending)
        m_nameLabel->clear();
    // While a name is still awaited the label keeps what it shows.
}

void CustomDeviceConnection::applyThemeImage(const QString &path, bool save)
{
    if (path.isEmpty() || !m_picture)
        return;
    if (path != m_themeImage || m_themePixmap.isNull()) {
        m_themeImage = path;
        m_themePixmap = QPixmap(path);
    }
    if (save)
        storeThemeImage();
    DevicePixmap::showOn(m_picture, m_themePixmap, m_picture->maximumSize());
    if (!m_colorSelector || m_wired)
        return;
    for (const ColorSelector::Entry &entry : ColorSelector::palette()) {
        const QString fileName = entry.picture.mid(entry.picture.lastIndexOf(QLatin1Char('/')) + 1);
        if (path.endsWith(fileName, Qt::CaseSensitive)) {
            m_colorSelector->setCurrentColor(entry.color);
            return;
        }
    }
}

void CustomDeviceConnection::loadThemeImage()
{
    applyThemeImage(storedThemeImage(), true);
}

bool CustomDeviceConnection::storeThemeImage()
{
    QSettings settings;
    SettingsStore::setValue(settings, kThemeImageKey, m_themeImage);
    return SettingsStore::commit(settings);
}

void CustomDeviceConnection::onColorChanged(const QColor &color)
{
    const QString picture = ColorSelector::pictureForColor(color);
    if (picture.isEmpty())
        return;
    applyThemeImage(picture, false);
    if (!storeThemeImage())
        emit themeChoiceNotSaved();
}

void CustomDeviceConnection::growPicture()
{
    if (m_pictureBaseRect.isNull())
        m_pictureBaseRect = m_picture->geometry();
    if (m_shrinkAnimation)
        m_shrinkAnimation->stop();
    const QRect target = m_pictureBaseRect.adjusted(-6, -10, 6, 2);
    if (m_picture->geometry() == target)
        return;
    animatePicture(m_growAnimation, target);
}

void CustomDeviceConnection::shrinkPicture()
{
    if (m_growAnimation)
        m_growAnimation->stop();
    if (m_pictureBaseRect.isNull())
        return;
    animatePicture(m_shrinkAnimation, m_pictureBaseRect);
}

void CustomDeviceConnection::animatePicture(QPointer<QPropertyAnimation> &animation, const QRect &target)
{
    if (!animation) {
        animation = new QPropertyAnimation(m_picture, "geometry", this);
        animation->setDuration(m_durations.hoverAnimationMs);
        animation->setEasingCurve(QEasingCurve::Linear);
    }
    animation->stop();
    animation->setStartValue(m_picture->geometry());
    animation->setEndValue(target);
    animation->start();
}

bool CustomDeviceConnection::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_unbindEntry && event->type() == QEvent::MouseButtonRelease && m_unbindEntry->isVisible()) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_unbindEntry->rect().contains(mouse->position().toPoint())) {
            confirmReceiverUnbind();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CustomDeviceConnection::confirmReceiverUnbind()
{
    DevicePageDialog dialog(this, QSize(364, 190));
    dialog.setObjectName(QStringLiteral("receiverUnbindDialog"));
    const QString labelStyle = QStringLiteral(
        "QLabel { color: %1; font-family: 'Microsoft YaHei', 'PingFang SC', 'Segoe UI', sans-serif;"
        " font-size: %2px; font-weight: 400; line-height: %3px; }");
    auto *title = new QLabel(tr("接收器解绑"), &dialog);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(labelStyle.arg(QStringLiteral("#E4E4E4")).arg(16).arg(22));
    auto *message = new QLabel(tr("解绑后，请六击耳机mic键重新绑定。注意：请将接收器更新到1.1.7或以上再使用此功能，"
                                  "否则会解绑失败。"),
                               &dialog);
    message->setAlignment(Qt::AlignCenter);
    message->setWordWrap(true);
    message->setStyleSheet(labelStyle.arg(QStringLiteral("#999999")).arg(14).arg(20));

    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(24, 20, 24, 24);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addSpacing(10);
    layout->addWidget(message);
    layout->addSpacing(12);
    layout->addLayout(dialog.createButtonRow());

    if (dialog.execBlurred() == QDialog::Accepted)
        emit receiverUnbindRequested();
}

void CustomDeviceConnection::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeUnbindEntry();
}

void CustomDeviceConnection::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_hintLabel)
        retranslateUi();
    QWidget::changeEvent(event);
}
