#include "eq/PageToast.h"

#include "widgets/DevicePixmap.h"
#include "widgets/PixelRatioFollower.h"

#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The smallest frame and text; a longer text widens both, and past the widest
// line (or what the window leaves free) it wraps and the frame grows taller.
constexpr int kFrameWidth = 254;
constexpr int kFrameHeight = 80;
constexpr int kTextWidth = 200;
constexpr int kTextHeight = 19;
constexpr int kWidestTextLine = 480;
constexpr int kWindowMargin = 40;

} // namespace

PageToast::PageToast(QWidget *page, const Look &look)
    : QObject(page), m_page(page), m_look(look), m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_hideTimer = new QTimer(this);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, [this] {
        if (m_frame)
            m_frame->hide();
    });
}

PageToast::~PageToast()
{
    // The frame is a child of the window, which may outlive the page; left
    // behind, a toast on show would never be hidden.
    delete m_frame.data();
}

QFrame *PageToast::frame() const
{
    return m_frame.data();
}

QLabel *PageToast::iconLabel() const
{
    return m_frame ? m_icon : nullptr;
}

QLabel *PageToast::textLabel() const
{
    return m_frame ? m_text : nullptr;
}

QString PageToast::text() const
{
    return m_frame ? m_text->text() : QString();
}

bool PageToast::isShowing() const
{
    return m_frame && !m_frame->isHidden();
}

const char *PageToast::iconFor(int kind) const
{
    switch (kind) {
    case Success:
        return m_look.successIcon;
    case Failure:
        return m_look.failureIcon;
    default:
        return m_look.infoIcon;
    }
}

void PageToast::createFrame(QWidget *host)
{
    m_frame = new QFrame(host);
    m_frame->setObjectName(m_look.frameName);
    m_frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_frame->setFixedSize(kFrameWidth, kFrameHeight);
    m_frame->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 128);border-radius: 6.66667px;"));
    auto *layout = new QVBoxLayout(m_frame);
    layout->setContentsMargins(0, 12, 0, 12);
    layout->setSpacing(5);
    m_icon = new QLabel(m_frame);
    m_icon->setFixedSize(32, 32);
    m_icon->setAlignment(Qt::AlignCenter);
    m_icon->setStyleSheet(QStringLiteral("background: transparent;")); // the frame's shade only once
    m_text = new QLabel(m_frame);
    m_text->setFixedSize(kTextWidth, kTextHeight);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setStyleSheet(QStringLiteral(
        "background: transparent;color: #E4E4E4;font-family: 'Microsoft YaHei','PingFang SC','Segoe UI',sans-serif;"
        "font-style: normal;font-weight: 500;font-size: 13.3333px;line-height: 19px;text-align: center;"));
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);
    layout->addWidget(m_text, 0, Qt::AlignHCenter);
}

void PageToast::fitText(int hostWidth)
{
    // The text's font comes from its style sheet.
    m_text->ensurePolished();
    const int framePadding = kFrameWidth - kTextWidth;
    const int widest = std::max(kTextWidth, std::min(kWidestTextLine, hostWidth - 2 * kWindowMargin - framePadding));
    const int needed = m_text->fontMetrics().horizontalAdvance(m_text->text());
    const bool wrap = needed > widest;
    m_text->setWordWrap(wrap);
    const int width = std::clamp(needed, kTextWidth, widest);
    const int height = wrap ? std::max(kTextHeight, m_text->heightForWidth(width)) : kTextHeight;
    m_text->setFixedSize(width, height);
    m_frame->setFixedSize(width + framePadding, kFrameHeight - kTextHeight + height);
}

void PageToast::show(const QString &text, int kind, int durationMs)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    const qint64 now = m_clock();
    if (trimmed == m_lastText && now - m_lastShownMs < m_repeatWindowMs)
        return;
    m_lastText = trimmed;
    m_lastShownMs = now;

    QWidget *host = m_page->window() ? m_page->window() : m_page;
    if (m_frame && m_frame->parentWidget() != host)
        m_frame->setParent(host);
    if (!m_frame)
        createFrame(host);

    m_kind = (kind == Success || kind == Failure) ? kind : Info;
    if (!DevicePixmap::showOn(m_icon, QString::fromLatin1(iconFor(m_kind)), m_icon->size())) {
        PixelRatioFollower::stop(m_icon);
        m_icon->clear();
    }
    m_text->setText(trimmed);
    fitText(host->width());
    m_frame->move((host->width() - m_frame->width()) / 2, (host->height() - m_frame->height()) / 2);
    m_frame->raise();
    m_frame->show();

    m_hideTimer->stop();
    m_hideTimer->start(std::max(durationMs, 1));
}
