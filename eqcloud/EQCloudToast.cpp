#include "eqcloud/EQCloudToast.h"

#include "widgets/KitFonts.h"
#include "eqcloud/EQCloudResources.h"

#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

EQCloudToast::EQCloudToast(QWidget *page)
    : QObject(page), m_page(page), m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_hideTimer = new QTimer(this);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, [this] {
        if (m_frame)
            m_frame->hide();
    });
}

EQCloudToast::~EQCloudToast()
{
    // The frame lives in the window, which may outlive the page.
    delete m_frame.data();
}

void EQCloudToast::build(QWidget *host)
{
    m_frame = new QFrame(host);
    m_frame->setObjectName(QStringLiteral("EQCloudToastFrame"));
    m_frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_frame->setFixedSize(254, 80);
    m_frame->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 128);border-radius: 6.66667px;"));
    auto *column = new QVBoxLayout(m_frame);
    column->setContentsMargins(0, 12, 0, 12);
    column->setSpacing(5);
    m_icon = new QLabel(m_frame);
    m_icon->setFixedSize(32, 32);
    m_icon->setAlignment(Qt::AlignCenter);
    m_icon->setStyleSheet(QStringLiteral("background: transparent;"));
    m_text = new QLabel(m_frame);
    m_text->setFixedSize(200, 19);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setStyleSheet(QStringLiteral("background: transparent;color: #E4E4E4;font-family: %1;font-style: normal;"
                                         "font-weight: 500;font-size: 13.3333px;")
                              .arg(KitFonts::cssFamiliesSingleQuoted()));
    column->addWidget(m_icon, 0, Qt::AlignHCenter);
    column->addWidget(m_text, 0, Qt::AlignHCenter);
    m_frame->hide();
}

void EQCloudToast::show(const QString &text, int kind, int durationMs)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    const qint64 now = m_clock();
    if (trimmed == m_lastText && now - m_lastTime < m_repeatWindowMs)
        return;
    m_lastText = trimmed;
    m_lastTime = now;

    QWidget *host = m_page->window() ? m_page->window() : m_page;
    if (!m_frame)
        build(host);
    else if (m_frame->parentWidget() != host)
        m_frame->setParent(host);

    m_kind = (kind == Success || kind == Error) ? kind : Info;
    const char *iconPath = m_kind == Success ? EQCloudResources::toastSucceed
                           : m_kind == Error ? EQCloudResources::toastFail
                                             : EQCloudResources::toastInfo;
    const QPixmap icon(QString::fromLatin1(iconPath));
    if (icon.isNull())
        m_icon->clear();
    else
        m_icon->setPixmap(icon.scaled(m_icon->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_text->setText(trimmed);
    m_frame->move((host->width() - m_frame->width()) / 2, (host->height() - m_frame->height()) / 2);
    m_frame->raise();
    m_frame->show();
    m_hideTimer->start(std::max(durationMs, 1));
}

QString EQCloudToast::text() const
{
    return m_text ? m_text->text() : QString();
}

bool EQCloudToast::isShowing() const
{
    return m_frame && !m_frame->isHidden();
}
