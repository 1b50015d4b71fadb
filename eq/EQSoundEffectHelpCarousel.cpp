#include "eq/EQSoundEffectHelpCarousel.h"

#include "eq/EqHelpBlurSurface.h"
#include "eq/EqHelpSnapScrollArea.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPageWidth = EqHelpSnapScrollArea::kPageWidth;
constexpr int kPageCount = EqHelpSnapScrollArea::kPageCount;
constexpr int kPageHeight = 340;
constexpr int kDialogWidth = 326;
constexpr int kDialogHeight = 446;
constexpr int kHeaderHeight = 56;
constexpr int kFooterHeight = 50;
constexpr int kLineWidth = 278;
constexpr int kDotSize = 6;

struct PageDef
{
    const char *title;
    QList<const char *> lines;
};


const QList<PageDef> &pageDefs()
{
    static const QList<PageDef> pages = {
        {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "滤波器选择"),
         {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "峰值 (Peaking)：调节所选频段的增益。在特定频率点附近创建局部增益调节，选择性强化或弱化窄带频率区域。"),
          QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "低通 (Lowpass)：保留低频，衰减高频。允许截止频率以下的低频成分无衰减通过，同时逐步抑制截止频率以上高频信号。"),
          QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "高通 (Highpass)：保留高频，衰减低频。允许截止频率以上的高频成分无衰减通过，同时逐步抑制截止频率以下低频信号。"),
          QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "低架 (Lowshelf)：加强或削弱所选低频。对截止频率以下的全部低频段实施整体增益调节，实现低频域的整体增强或削弱。"),
          QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "高架 (Highshelf)：加强或削弱所选高频。对截止频率以上的全部高频段实施整体增益调节，实现高频域的整体增强或削弱。")}},
        {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "增益值(dB)"),
         {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "+dB：增强选定频段音量。"), QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "-dB：削弱选定频段音量。"), QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "提示：增益过大会导致耳机失真。")}},
        {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "频率(Hz)"),
         {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "低频：控制脚步声 / 环境音。+dB增强沉浸感，-dB减轻轰鸣声。"),
          QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "中频：调整人声 / 音效。±dB优化对话清晰度或者技能音效。"),
          QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "高频：调整枪械 / 技能音效。+dB提升小细节，-dB削弱刺耳声。")}},
        {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "Q值"), {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "高Q值：聚焦微小频段，适合小范围精准调整。"), QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "低Q值：影响较宽频段，适合大范围调整优化。")}},
        {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "EQ曲线警戒线"), {QT_TRANSLATE_NOOP("EQSoundEffectHelpCarousel", "红色虚线：建议调音时不要超过红色警戒线的数值，有可能会破音！")}},
    };
    return pages;
}


QString trHelp(const char *text)
{
    return QCoreApplication::translate("EQSoundEffectHelpCarousel", text);
}

QString dotStyle(bool current)
{
    return QStringLiteral("QPushButton{background-color:%2;border:none;border-radius:3px;padding:0;margin:0;"
                          "min-width:%1px;max-width:%1px;min-height:%1px;max-height:%1px;}")
        .arg(kDotSize)
        .arg(current ? QStringLiteral("#E4E4E4") : QStringLiteral("#555555"));
}

} // namespace

QString EQSoundEffectHelpCarousel::formatHelpLine(const QString &line)
{
    qsizetype colon = line.indexOf(QChar(0xFF1A));
    if (colon < 0)
        colon = line.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return QStringLiteral("<span style=\"color:#E4E4E4;\">%1</span>").arg(line.toHtmlEscaped());
    return QStringLiteral("<span style=\"color:#E4E4E4;\">%1</span><span style=\"color:#999999;\">%2</span>")
        .arg(line.left(colon + 1).toHtmlEscaped(), line.mid(colon + 1).toHtmlEscaped());
}

EQSoundEffectHelpCarousel::EQSoundEffectHelpCarousel(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kDialogWidth, kDialogHeight);
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(QStringLiteral("EqHelpDialogShell"));
    setStyleSheet(QStringLiteral("QDialog#EqHelpDialogShell{background:transparent;}"));
    auto *shellLayout = new QVBoxLayout(this);
    shellLayout->setContentsMargins(0, 0, 0, 0);
    shellLayout->setSpacing(0);

    m_card = new QFrame(this);
    m_card->setObjectName(QStringLiteral("EqHelpCard"));
    m_card->setFixedSize(kDialogWidth, kDialogHeight);
    m_card->setStyleSheet(QStringLiteral("QFrame#EqHelpCard{background-color:#000000;border:none;border-radius:12px;}"));
    shellLayout->addWidget(m_card);
    auto *cardLayout = new QVBoxLayout(m_card);
    cardLayout->setContentsMargins(0, 0, 0, 0);
    cardLayout->setSpacing(0);

    auto *header = new QWidget(m_card);
    header->setFixedHeight(kHeaderHeight);
    header->setStyleSheet(QStringLiteral("background-color:transparent;"));
    auto *headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(16, 16, 16, 16);
    headerLayout->setSpacing(0);
    m_title = new QLabel(header);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setStyleSheet(QStringLiteral("font-family:'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;"
                                          "font-size:16px;line-height:22px;color:#E4E4E4;font-weight:400;"));
    auto *close = new QPushButton(QStringLiteral("×"), header);
    close->setFixedSize(24, 24);
    close->setCursor(Qt::PointingHandCursor);
    close->setFocusPolicy(Qt::NoFocus);
    close->setStyleSheet(QStringLiteral(
        "QPushButton{background:qlineargradient(x1:0,y1:0,x2:1,y2:0,stop:0 #6532CB,stop:1 "
        "#410290);color:#FFFFFF;border:none;border-radius:12px;font-size:14px;font-weight:400;padding:0;margin:0;}"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    headerLayout->addStretch();
    headerLayout->addWidget(m_title, 0, Qt::AlignVCenter);
    headerLayout->addStretch();
    headerLayout->addWidget(close, 0, Qt::AlignTop);
    cardLayout->addWidget(header);

    m_pager = new EqHelpSnapScrollArea(m_card);
    m_pager->setMouseTracking(true);
    m_pager->setFrameShape(QFrame::NoFrame);
    m_pager->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pager->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pager->setWidgetResizable(false);
    m_pager->setFixedSize(kPageWidth, kPageHeight);
    m_pager->setStyleSheet(QStringLiteral("QScrollArea{background-color:transparent;border:none;}"));
    m_pager->onDragStarted = [this] {
        if (m_slide && m_slide->state() == QAbstractAnimation::Running)
            m_slide->stop();
        m_timer->stop();
    };
    m_pager->onDragFinished = [this] { restartTimer(); };
    m_pager->onSnapToPage = [this](int page) { slideTo(qBound(0, page, kPageCount - 1)); };
    cardLayout->addWidget(m_pager);

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &EQSoundEffectHelpCarousel::autoAdvance);

    auto *content = new QWidget;
    content->setFixedSize(kPageWidth * kPageCount, kPageHeight);
    content->setStyleSheet(QStringLiteral("background-color:transparent;"));
    content->setAttribute(Qt::WA_TransparentForMouseEvents);
    buildPages(content);
    m_pager->setWidget(content);
    m_pager->viewport()->setAutoFillBackground(false);

    auto *footer = new QWidget(m_card);
    footer->setFixedHeight(kFooterHeight);
    footer->setStyleSheet(QStringLiteral("background-color:transparent;"));
    auto *footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(0, 0, 0, 12);
    footerLayout->setSpacing(8);
    footerLayout->addStretch();
    for (int i = 0; i < kPageCount; ++i) {
        auto *dot = new QPushButton(footer);
        dot->setFixedSize(kDotSize, kDotSize);
        dot->setCursor(Qt::PointingHandCursor);
        dot->setFocusPolicy(Qt::NoFocus);
        connect(dot, &QPushButton::clicked, this, [this, i] {
            slideTo(i);
            restartTimer();
        });
        footerLayout->addWidget(dot);
        m_dots.append(dot);
    }
    footerLayout->addStretch();
    cardLayout->addWidget(footer);

    connect(m_pager->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &EQSoundEffectHelpCarousel::updateIndicators);
    retranslateUi();
}

EQSoundEffectHelpCarousel::~EQSoundEffectHelpCarousel()
{
    if (m_hostFilterInstalled && m_host)
        m_host->removeEventFilter(this);
    if (m_backdrop) {
        m_backdrop->hide();
        m_backdrop->deleteLater();
    }
}

void EQSoundEffectHelpCarousel::buildPages(QWidget *content)
{
    auto *strip = new QHBoxLayout(content);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    for (const PageDef &def : pageDefs()) {
        auto *page = new QWidget(content);
        page->setFixedSize(kPageWidth, kPageHeight);
        page->setStyleSheet(QStringLiteral("background-color:transparent;"));
        page->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto *outer = new QVBoxLayout(page);
        outer->setContentsMargins(24, 0, 24, 0);
        outer->setSpacing(0);
        auto *inner = new QVBoxLayout;
        inner->setContentsMargins(0, 0, 0, 0);
        inner->setSpacing(19);
        QList<QLabel *> labels;
        for (int i = 0; i < def.lines.size(); ++i) {
            auto *label = new QLabel(page);
            label->setTextFormat(Qt::RichText);
            label->setWordWrap(true);
            label->setFixedWidth(kLineWidth);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setStyleSheet(QStringLiteral("QLabel{font-family:'Microsoft YaHei','PingFang SC','Segoe "
                                                "UI',sans-serif;font-size:12px;line-height:17px;font-weight:400;}"));
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            inner->addWidget(label);
            labels.append(label);
        }
        outer->addLayout(inner);
        outer->addStretch();
        strip->addWidget(page);
        m_lines.append(labels);
    }
}

EqHelpBlurSurface *EQSoundEffectHelpCarousel::backdrop() const
{
    return m_backdrop.data();
}

QList<QLabel *> EQSoundEffectHelpCarousel::pageLines(int page) const
{
    return m_lines.value(page);
}

void EQSoundEffectHelpCarousel::retranslateUi()
{
    const QList<PageDef> &defs = pageDefs();
    for (int p = 0; p < defs.size() && p < m_lines.size(); ++p) {
        for (int i = 0; i < defs.at(p).lines.size() && i < m_lines.at(p).size(); ++i)
            m_lines.at(p).at(i)->setText(formatHelpLine(trHelp(defs.at(p).lines.at(i))));
    }
    updateIndicators();
}

int EQSoundEffectHelpCarousel::currentPage() const
{
    return EqHelpSnapScrollArea::nearestPage(m_pager->horizontalScrollBar()->value());
}

void EQSoundEffectHelpCarousel::updateIndicators()
{
    if (!m_pager || !m_title)
        return;
    const int page = currentPage();
    const QString title = trHelp(pageDefs().at(page).title);
    if (m_title->text() != title)
        m_title->setText(title);
    for (int i = 0; i < m_dots.size(); ++i) {
        const QString style = dotStyle(i == page);
        if (m_dots.at(i)->styleSheet() != style)
            m_dots.at(i)->setStyleSheet(style);
    }
}

void EQSoundEffectHelpCarousel::slideTo(int page)
{
    QScrollBar *bar = m_pager->horizontalScrollBar();
    const int x = qBound(bar->minimum(), page * kPageWidth, bar->maximum());
    if (bar->value() == x)
        return;
    if (!m_slide) {
        m_slide = new QPropertyAnimation(bar, "value", this);
        m_slide->setEasingCurve(QEasingCurve::OutCubic);
    }
    if (m_slide->state() == QAbstractAnimation::Running)
        m_slide->stop();
    m_slide->setDuration(m_durations.slideMs);
    m_slide->setStartValue(bar->value());
    m_slide->setEndValue(x);
    m_slide->start();
}

void EQSoundEffectHelpCarousel::restartTimer()
{
    m_timer->start(m_durations.autoAdvanceMs);
}

void EQSoundEffectHelpCarousel::autoAdvance()
{
    slideTo((currentPage() + 1) % kPageCount);
    restartTimer();
}

void EQSoundEffectHelpCarousel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    if (!m_pager) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Left) {
        if (currentPage() > 0)
            slideTo(currentPage() - 1);
        restartTimer();
        return;
    }
    if (event->key() == Qt::Key_Right) {
        if (currentPage() < kPageCount - 1)
            slideTo(currentPage() + 1);
        restartTimer();
        return;
    }
    QDialog::keyPressEvent(event);
}

void EQSoundEffectHelpCarousel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateUi();
    QDialog::changeEvent(event);
}
