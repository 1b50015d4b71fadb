#include "devicepages/CustomBootScreen.h"

#include "devicepages/BootIntroIndicatorPill.h"
#include "widgets/DevicePixmap.h"

#include <QEasingCurve>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
const QSize kSlideSize(642, 289);
const QString kConnectionGuideImage = QStringLiteral(":/images/introduction_connection_guide.png");
} // namespace

CustomBootScreen::CustomBootScreen(QWidget *parent, const BootScreenDurations &durations)
    : QWidget(parent), m_durations(durations)
{
    setAttribute(Qt::WA_NoSystemBackground, true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setUpdatesEnabled(false);
    buildUi();
    applyStyle();
    retranslateUi();
    setUpdatesEnabled(true);
}

CustomBootScreen::~CustomBootScreen() = default;

QLabel *CustomBootScreen::buildSlide(const QPixmap &picture)
{
    auto *slide = new QLabel(m_slideHost);
    slide->setGeometry(QRect(QPoint(0, 0), kSlideSize));
    slide->setAlignment(Qt::AlignCenter);
    DevicePixmap::showOn(slide, picture, kSlideSize);
    return slide;
}

void CustomBootScreen::buildUi()
{
    m_introPixmap = QPixmap(m_introImagePath);

    m_slideHost = new QWidget(this);
    m_slideHost->setObjectName(QStringLiteral("bootIntroSlideHost"));
    m_slideHost->setFixedSize(kSlideSize);
    m_slide0 = buildSlide(m_introPixmap);
    m_slide0->setObjectName(QStringLiteral("bootIntroSlide0"));
    m_slide1 = buildSlide(QPixmap(kConnectionGuideImage));
    m_slide1->setObjectName(QStringLiteral("bootIntroSlide1"));
    m_effect0 = new QGraphicsOpacityEffect(m_slide0);
    m_effect0->setOpacity(1.0);
    m_slide0->setGraphicsEffect(m_effect0);
    m_effect1 = new QGraphicsOpacityEffect(m_slide1);
    m_effect1->setOpacity(0.0);
    m_slide1->setGraphicsEffect(m_effect1);
    m_slide0->raise();

    auto *indicatorRow = new QWidget(this);
    indicatorRow->setObjectName(QStringLiteral("bootIntroIndRow"));
    m_pill0 = new BootIntroIndicatorPill(indicatorRow);
    m_pill0->setObjectName(QStringLiteral("bootIntroPill0"));
    m_pill1 = new BootIntroIndicatorPill(indicatorRow);
    m_pill1->setObjectName(QStringLiteral("bootIntroPill1"));
    m_pill0->setClickHandler([this] { goToSlide(0, true); });
    m_pill1->setClickHandler([this] { goToSlide(1, true); });
    auto *indicatorLayout = new QHBoxLayout(indicatorRow);
    indicatorLayout->setContentsMargins(0, 0, 0, 0);
    indicatorLayout->setSpacing(12);
    indicatorLayout->addWidget(m_pill0);
    indicatorLayout->addWidget(m_pill1);

    auto *topArea = new QWidget(this);
    topArea->setObjectName(QStringLiteral("bootIntroTopArea"));
    auto *topLayout = new QVBoxLayout(topArea);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);
    topLayout->setAlignment(Qt::AlignCenter);
    topLayout->addWidget(m_slideHost, 0, Qt::AlignHCenter);
    topLayout->addSpacing(48);
    topLayout->addWidget(indicatorRow, 0, Qt::AlignHCenter);

    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_descLabel = new QLabel(this);
    m_descLabel->setObjectName(QStringLiteral("descLabel"));
    m_descLabel->setAlignment(Qt::AlignCenter);

    auto *bottomArea = new QWidget(this);
    bottomArea->setObjectName(QStringLiteral("bootIntroBottomArea"));
    auto *bottomLayout = new QVBoxLayout(bottomArea);
    bottomLayout->setSpacing(12);
    bottomLayout->setAlignment(Qt::AlignCenter);
    m_titleLabel->setParent(bottomArea);
    m_descLabel->setParent(bottomArea);
    bottomLayout->addWidget(m_titleLabel, 0, Qt::AlignHCenter);
    bottomLayout->addWidget(m_descLabel, 0, Qt::AlignHCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignCenter);
    layout->addStretch();
    layout->addWidget(topArea, 0, Qt::AlignHCenter);
    layout->addStretch();
    layout->addWidget(bottomArea, 0, Qt::AlignHCenter);
    layout->addStretch();

    updatePills();
}

void CustomBootScreen::applyStyle()
{
    setStyleSheet(QStringLiteral(
        "QLabel#titleLabel { font-family: 'PingFang SC','Microsoft YaHei','Segoe UI',sans-serif; font-weight: 400;"
        " font-style: normal; font-size: 20px; line-height: 28px; qproperty-alignment: AlignCenter;"
        " color: rgb(228, 228, 228); background: transparent; border: none; padding: 0px; }"
        "QLabel#descLabel { font-family: 'PingFang SC','Microsoft YaHei','Segoe UI',sans-serif; font-weight: 400;"
        " font-style: normal; font-size: 14px; line-height: 20px; qproperty-alignment: AlignCenter;"
        " color: rgb(140, 140, 140); background: transparent; border: none; padding: 0px; }"
        "#bootIntroTopArea, #bootIntroBottomArea, #bootIntroIndRow, #bootIntroSlideHost {"
        " background: transparent; }"));
}

void CustomBootScreen::retranslateUi()
{
    m_titleLabel->setText(tr("请连接昙翎设备"));
    m_descLabel->setText(tr("设备驱动不支持蓝牙连接，仅可通过专属2.4G接收器或USB解码器连接。"
                            "（注：头戴耳机仅支持2.4G接收器连接）"));
}

void CustomBootScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_rotateTimer) {
        m_rotateTimer = new QTimer(this);
        m_rotateTimer->setObjectName(QStringLiteral("bootIntroRotateTimer"));
        connect(m_rotateTimer, &QTimer::timeout, this, &CustomBootScreen::rotate);
    }
    m_rotateTimer->setInterval(m_durations.rotateIntervalMs);
    m_rotateTimer->start();
}

void CustomBootScreen::hideEvent(QHideEvent *event)
{
    if (m_rotateTimer)
        m_rotateTimer->stop();
    stopFade();
    applyStaticOpacities();
    QWidget::hideEvent(event);
}

void CustomBootScreen::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_titleLabel)
        retranslateUi();
    QWidget::changeEvent(event);
}

void CustomBootScreen::rotate()
{
    if (m_slideHost)
        goToSlide(1 - m_currentSlide, true);
}

void CustomBootScreen::goToSlide(int index, bool animated)
{
    if (index < 0 || index > 1 || !m_slideHost || !m_effect0 || !m_effect1)
        return;
    if (index == m_currentSlide) {
        stopFade();
        applyStaticOpacities();
        updatePills();
        restartRotationIfVisible();
        return;
    }

    const qreal from0 = m_effect0->opacity();
    const qreal from1 = m_effect1->opacity();
    stopFade();
    m_currentSlide = index;
    updatePills();
    if (!animated) {
        applyStaticOpacities();
        restartRotationIfVisible();
        return;
    }

    const qreal to0 = index == 0 ? 1.0 : 0.0;
    const qreal to1 = index == 1 ? 1.0 : 0.0;
    auto *fade = new QVariantAnimation(m_slideHost);
    fade->setObjectName(QStringLiteral("bootIntroFade"));
    fade->setDuration(m_durations.fadeMs);
    fade->setEasingCurve(QEasingCurve::InOutCubic);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    connect(fade, &QVariantAnimation::valueChanged, this, [this, from0, from1, to0, to1](const QVariant &value) {
        const qreal t = value.toReal();
        m_effect0->setOpacity(from0 + (to0 - from0) * t);
        m_effect1->setOpacity(from1 + (to1 - from1) * t);
    });
    connect(fade, &QVariantAnimation::finished, this, [this, fade] {
        applyStaticOpacities();
        restartRotationIfVisible();
        if (m_fadeAnimation == fade)
            m_fadeAnimation = nullptr;
        fade->deleteLater();
    });
    m_fadeAnimation = fade;
    fade->start();
}

void CustomBootScreen::stopFade()
{
    if (!m_fadeAnimation)
        return;
    QVariantAnimation *fade = m_fadeAnimation;
    m_fadeAnimation = nullptr;
    // Stopping does not emit finished, so the handler above does not run for it.
    fade->stop();
    delete fade;
}

void CustomBootScreen::applyStaticOpacities()
{
    if (!m_effect0 || !m_effect1)
        return;
    const bool first = m_currentSlide == 0;
    m_effect0->setOpacity(first ? 1.0 : 0.0);
    m_effect1->setOpacity(first ? 0.0 : 1.0);
    (first ? m_slide0 : m_slide1)->raise();
}

void CustomBootScreen::updatePills()
{
    m_pill0->setActive(m_currentSlide == 0);
    m_pill1->setActive(m_currentSlide == 1);
}

void CustomBootScreen::restartRotationIfVisible()
{
    if (m_rotateTimer && isVisible())
        m_rotateTimer->start(m_durations.rotateIntervalMs);
}
