#include "ota/ui/FirmwareOtaProgressDialog.h"

#include "widgets/DevicePixmap.h"
#include "widgets/DialogStyle.h"
#include "widgets/RoundedMask.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

// The thin bar of the progress page: a rounded track with the accent
// gradient laid over the done part. No text.
class FirmwareOtaThinProgressBar : public QWidget
{
public:
    explicit FirmwareOtaThinProgressBar(QWidget *parent) : QWidget(parent) {}
    ~FirmwareOtaThinProgressBar() override = default;

    int value = 0; // percent, 0..100

protected:
    void paintEvent(QPaintEvent *event) override;
};

namespace {

constexpr int kProgressPage = 0;
constexpr int kUpToDatePage = 1;
constexpr int kFailurePage = 2;

const QString &closeButtonStyle()
{
    static const QString s = QStringLiteral(
        "QPushButton {  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #6532CB, stop:1 #410290);"
        "  border-radius: 11px;  border: none;  color: #E4E4E4;  font-size: 14px;  font-weight: 400;  padding: 0;}"
        "QPushButton:pressed {  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #5A2DB2, stop:1 #380180);}"
        "QPushButton:disabled {  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #6532CB, stop:1 #410290);"
        "  color: #E4E4E4;}");
    return s;
}

const QString &versionStyle()
{
    static const QString s =
        QStringLiteral("color: #999999; font-family: %1; font-weight: 400; font-size: 10px; line-height: 14px;")
            .arg(DialogStyle::fontFamilies());
    return s;
}

const QString &progressLabelStyle()
{
    static const QString s =
        QStringLiteral("color: #E4E4E4; font-family: %1; font-weight: 500; font-size: 10px; line-height: 14px;")
            .arg(DialogStyle::fontFamilies());
    return s;
}

const QString &upToDateButtonStyle()
{
    static const QString s =
        QStringLiteral("QPushButton {  background: #222222;  border-radius: 10px;  border: none;  color: #777777;"
                       "  font-family: %1;  font-weight: 400;  font-size: 12px;  padding: 0 12px;}"
                       "QPushButton:disabled {  background: #222222;  color: #777777;}")
            .arg(DialogStyle::fontFamilies());
    return s;
}

const QString &retryButtonStyle()
{
    static const QString s =
        QStringLiteral(
            "QPushButton {  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #6532CB, stop:1 #410290);"
            "  border-radius: 10px;  border: none;  color: #E4E4E4;  font-family: %1;  font-weight: 400;"
            "  font-size: 12px;  padding: 0 12px;}"
            "QPushButton:hover {  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #7542DB, stop:1 #5112A0);}"
            "QPushButton:pressed {  background: qlineargradient(x1:0,y1:0,x2:1,y2:0, stop:0 #5A2DB5, stop:1 #39027F);}")
            .arg(DialogStyle::fontFamilies());
    return s;
}

const QString &failureStyle()
{
    static const QString s =
        QStringLiteral("color: #DA2528; font-family: %1; font-weight: 400; font-size: 12px; line-height: 17px;")
            .arg(DialogStyle::fontFamilies());
    return s;
}

// Blanks around it and one leading "v" or "V" go.
QString normalizeFirmwareVersion(const QString &text)
{
    QString version = text.trimmed();
    if (version.startsWith(QLatin1Char('v'), Qt::CaseInsensitive))
        version = version.mid(1).trimmed();
    return version;
}

QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QPixmap rocketPixmap()
{
    QPixmap pixmap(QStringLiteral(":/images/firmware_ota_rocket.png"));
    if (pixmap.isNull())
        pixmap.load(QStringLiteral(":/images/update_rocket.png"));
    return pixmap;
}

} // namespace

void FirmwareOtaThinProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    DialogStyle::paintProgressTrack(painter, QRectF(rect()), value);
}

FirmwareOtaProgressDialog::FirmwareOtaProgressDialog(bool isReceiver, const QString &currentVersion,
                                                     const QString &availableVersion, QWidget *parent)
    : QDialog(parent)
    , isReceiver(isReceiver)
    , currentVersion(normalizeFirmwareVersion(currentVersion))
    , availableVersion(normalizeFirmwareVersion(availableVersion))
{
    buildUi();
}

FirmwareOtaProgressDialog::~FirmwareOtaProgressDialog() = default;

void FirmwareOtaProgressDialog::buildUi()
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(326, 286);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(DialogStyle::frameStyle());

    titleLabel = new QLabel(isReceiver ? tr("接收器固件升级") : tr("耳机固件升级"), this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setFixedHeight(22);
    titleLabel->setStyleSheet(DialogStyle::titleStyle());

    // Outside every layout: placed by hand in the top right corner.
    closeButton = new QPushButton(QStringLiteral("\u00D7"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setFixedSize(22, 22);
    closeButton->setCursor(Qt::PointingHandCursor);
    closeButton->setFocusPolicy(Qt::NoFocus);
    closeButton->setStyleSheet(closeButtonStyle());
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    iconLabel->setAttribute(Qt::WA_TranslucentBackground, true);
    iconLabel->setAlignment(Qt::AlignCenter);
    iconLabel->setFixedSize(107, 107);
    DevicePixmap::showOn(iconLabel, rocketPixmap(), QSize(107, 107));

    currentVersionLabel = new QLabel(this);
    currentVersionLabel->setObjectName(QStringLiteral("currentVersionLabel"));
    currentVersionLabel->setAlignment(Qt::AlignCenter);
    currentVersionLabel->setStyleSheet(versionStyle());
    showCurrentVersion();

    versionHintLabel = new QLabel(this);
    versionHintLabel->setObjectName(QStringLiteral("versionHintLabel"));
    versionHintLabel->setAlignment(Qt::AlignCenter);
    versionHintLabel->setStyleSheet(versionStyle());
    refreshVersionHint(false);

    auto *versions = new QVBoxLayout;
    versions->setContentsMargins(0, 0, 0, 0);
    versions->setSpacing(2);
    versions->addWidget(currentVersionLabel);
    versions->addWidget(versionHintLabel);

    pageStack = new QStackedWidget(this);
    pageStack->setObjectName(QStringLiteral("pageStack"));
    pageStack->setFixedHeight(60);
    pageStack->addWidget(buildProgressPage());
    pageStack->addWidget(buildUpToDatePage());
    pageStack->addWidget(buildFailurePage());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 9);
    layout->setSpacing(0);
    layout->addWidget(titleLabel, 0, Qt::AlignHCenter);
    layout->addSpacing(16);
    layout->addWidget(iconLabel, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addLayout(versions);
    layout->addSpacing(20);
    layout->addWidget(pageStack, 1, Qt::AlignHCenter);

    pageStack->setCurrentIndex(kProgressPage);
    progressBar->value = 0;
    progressLabel->setText(tr("升级中 %1%").arg(0));
    applyRoundedMask(this);
}

QWidget *FirmwareOtaProgressDialog::buildProgressPage()
{
    auto *page = new QWidget;
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(7);
    box->setAlignment(Qt::AlignHCenter);

    progressBar = new FirmwareOtaThinProgressBar(page);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setFixedSize(209, 11);

    progressLabel = new QLabel(tr("升级中 0%"), page);
    progressLabel->setObjectName(QStringLiteral("progressLabel"));
    progressLabel->setAlignment(Qt::AlignCenter);
    progressLabel->setFixedSize(209, 14);
    progressLabel->setStyleSheet(progressLabelStyle());

    box->addWidget(progressBar, 0, Qt::AlignHCenter);
    box->addWidget(progressLabel, 0, Qt::AlignHCenter);
    box->addStretch();
    return page;
}

QWidget *FirmwareOtaProgressDialog::buildUpToDatePage()
{
    auto *page = new QWidget;
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    box->setAlignment(Qt::AlignHCenter);

    // Only a statement: nothing enables it or listens to it.
    upToDateButton = new QPushButton(tr("立即升级"), page);
    upToDateButton->setObjectName(QStringLiteral("upToDateButton"));
    upToDateButton->setFixedSize(182, 38);
    upToDateButton->setEnabled(false);
    upToDateButton->setCursor(Qt::ArrowCursor);
    upToDateButton->setStyleSheet(upToDateButtonStyle());
    box->addWidget(upToDateButton);
    return page;
}

QWidget *FirmwareOtaProgressDialog::buildFailurePage()
{
    auto *page = new QWidget;
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(5);
    box->setAlignment(Qt::AlignHCenter);

    retryButton = new QPushButton(tr("重新升级"), page);
    retryButton->setObjectName(QStringLiteral("retryButton"));
    retryButton->setFixedSize(182, 38);
    retryButton->setCursor(Qt::PointingHandCursor);
    retryButton->setStyleSheet(retryButtonStyle());
    connect(retryButton, &QPushButton::clicked, this, &FirmwareOtaProgressDialog::retryRequested);

    failureLabel = new QLabel(tr("升级失败"), page);
    failureLabel->setObjectName(QStringLiteral("failureLabel"));
    failureLabel->setAlignment(Qt::AlignCenter);
    failureLabel->setStyleSheet(failureStyle());

    box->addWidget(retryButton);
    box->addWidget(failureLabel);
    return page;
}

void FirmwareOtaProgressDialog::setUpgrading(bool on)
{
    upgrading = on;
    closeButton->setEnabled(!on);
}

void FirmwareOtaProgressDialog::setProgress(int percent)
{
    const int value = qBound(0, percent, 100);
    progressBar->value = value;
    progressBar->update();
    progressLabel->setText(tr("升级中 %1%").arg(value));
}

void FirmwareOtaProgressDialog::resetProgress()
{
    pageStack->setCurrentIndex(kProgressPage);
    refreshVersionHint(false);
    progressBar->value = 0;
    progressBar->update();
    progressLabel->setText(tr("升级中 %1%").arg(0));
}

void FirmwareOtaProgressDialog::showFailure(const QString &message)
{
    refreshVersionHint(false);
    const QString text = message.trimmed();
    failureLabel->setText(text.isEmpty() ? tr("升级失败") : text);
    pageStack->setCurrentIndex(kFailurePage);
    setUpgrading(false);
}

void FirmwareOtaProgressDialog::showUpToDate(const QString &version)
{
    currentVersion = normalizeFirmwareVersion(version);
    showCurrentVersion();
    versionHintLabel->setText(tr("已是最新版本"));
    pageStack->setCurrentIndex(kUpToDatePage);
    setUpgrading(false);
}

void FirmwareOtaProgressDialog::refreshVersionHint(bool upToDate)
{
    versionHintLabel->setText(upToDate ? tr("已是最新版本") : tr("可更新版本：%1").arg(orDash(availableVersion)));
}

void FirmwareOtaProgressDialog::showCurrentVersion()
{
    currentVersionLabel->setText(tr("当前版本：%1").arg(orDash(currentVersion)));
}

void FirmwareOtaProgressDialog::placeCloseButton()
{
    closeButton->move(width() - closeButton->width() - 24, 16);
    closeButton->raise();
}

void FirmwareOtaProgressDialog::closeEvent(QCloseEvent *event)
{
    if (upgrading) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void FirmwareOtaProgressDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape would reject the dialog behind the update's back and leave the
    // window waiting for the update with nothing on screen.
    if (upgrading && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FirmwareOtaProgressDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeCloseButton();
    applyRoundedMask(this);
}

void FirmwareOtaProgressDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    placeCloseButton();
    DialogStyle::centreOnParentWindow(this);
}
