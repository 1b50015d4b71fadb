#include "eqcloud/EQCloudCardListView.h"

#include "eqcloud/GameCard.h"

#include <QMouseEvent>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// Keeps the scroll handle at a fixed length whatever the list's length.
class FixedSliderStyle : public QProxyStyle
{
public:
    static constexpr int handleLength = 28;

    // A style of its own kind: a proxy owns its base, and the bar's style is
    // usually the application's.
    explicit FixedSliderStyle(const QString &baseKey) : QProxyStyle(baseKey)
    {
        setObjectName(QStringLiteral("EQCloudFixedSliderStyle"));
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl subControl,
                         const QWidget *widget) const override
    {
        const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (control != CC_ScrollBar || subControl != SC_ScrollBarSlider || !slider)
            return QProxyStyle::subControlRect(control, option, subControl, widget);

        const QRect groove = QProxyStyle::subControlRect(control, option, SC_ScrollBarGroove, widget);
        const double span = std::max(slider->maximum - slider->minimum, 1);
        const double ratio = std::clamp((slider->sliderPosition - slider->minimum) / span, 0.0, 1.0);
        if (slider->orientation == Qt::Vertical) {
            const int free = std::max(groove.height() - handleLength, 0);
            const int top = groove.top() + int(std::lround(free * ratio));
            return QRect(groove.left(), top, groove.width(), handleLength);
        }
        const int free = std::max(groove.width() - handleLength, 0);
        const int left = groove.left() + int(std::lround(free * ratio));
        return QRect(left, groove.top(), handleLength, groove.height());
    }
};

} // namespace

EQCloudCardListView::EQCloudCardListView(QWidget *parent) : QListView(parent)
{
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Fixed);
    setMovement(QListView::Static);
    setSpacing(0);
    setIconSize(QSize(GameCard::cardWidth, GameCard::cardHeight));
    setGridSize(QSize(gridWidth, gridHeight));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setViewportMargins(0, 0, -20, -20);
    setAutoScrollMargin(0);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
    viewport()->setAutoFillBackground(false);

    m_settleTimer = new QTimer(this);
    m_settleTimer->setSingleShot(true);
    connect(m_settleTimer, &QTimer::timeout, this, &EQCloudCardListView::onSettled);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &EQCloudCardListView::onScrollValueChanged);
}

EQCloudCardListView::~EQCloudCardListView() = default;

void EQCloudCardListView::setNearBottomThreshold(int px)
{
    m_nearBottomThreshold = std::max(px, 0);
}

void EQCloudCardListView::setSettleDelay(int ms)
{
    m_settleDelayMs = std::max(ms, 0);
}

void EQCloudCardListView::polishVerticalScrollBarStyle()
{
    QScrollBar *bar = verticalScrollBar();
    if (!bar->findChild<QProxyStyle *>(QStringLiteral("EQCloudFixedSliderStyle"), Qt::FindDirectChildrenOnly)) {
        const QStyle *current = bar->style();
        while (const auto *proxy = qobject_cast<const QProxyStyle *>(current))
            current = proxy->baseStyle();
        auto *style = new FixedSliderStyle(current ? current->name() : QStringLiteral("fusion"));
        style->setParent(bar);
        bar->setStyle(style);
    }
    bar->setFixedWidth(8);
    bar->setObjectName(QStringLiteral("EQCloudCardListVScrollBar"));
    bar->setStyleSheet(QStringLiteral(
        "QScrollBar#EQCloudCardListVScrollBar:vertical { background: #222222; width: 8px; border-radius: 4px;"
        " margin: 0px; border: none; }"
        "QScrollBar#EQCloudCardListVScrollBar::handle:vertical { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #6532CB, stop:1 #410290); min-height: 28px; max-height: 28px; border-radius: 4px; margin: 2px; }"
        "QScrollBar#EQCloudCardListVScrollBar::handle:vertical:hover { background: qlineargradient(x1:0, y1:0,"
        " x2:0, y2:1, stop:0 #7A4CD5, stop:1 #5213B3); }"
        "QScrollBar#EQCloudCardListVScrollBar::handle:vertical:pressed { background: qlineargradient(x1:0, y1:0,"
        " x2:0, y2:1, stop:0 #5A2DB2, stop:1 #380180); }"
        "QScrollBar#EQCloudCardListVScrollBar::add-line:vertical,"
        " QScrollBar#EQCloudCardListVScrollBar::sub-line:vertical { height: 0px; border: none; background: none; }"
        "QScrollBar#EQCloudCardListVScrollBar::add-page:vertical,"
        " QScrollBar#EQCloudCardListVScrollBar::sub-page:vertical { background: transparent; }"));
}

void EQCloudCardListView::checkViewportUnderfilled()
{
    if (verticalScrollBar()->maximum() <= 0 && model() && model()->rowCount() >= 1)
        emit viewportUnderfilled();
}

void EQCloudCardListView::onScrollValueChanged(int value)
{
    if (!m_settling && verticalScrollBar()->maximum() - value <= m_nearBottomThreshold)
        emit nearBottom();
}

void EQCloudCardListView::onSettled()
{
    m_settling = false;
    checkViewportUnderfilled();
}

void EQCloudCardListView::mouseMoveEvent(QMouseEvent *event)
{
    const bool overCard = indexAt(event->position().toPoint()).isValid();
    viewport()->setCursor(overCard ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QListView::mouseMoveEvent(event);
}

void EQCloudCardListView::leaveEvent(QEvent *event)
{
    viewport()->setCursor(Qt::ArrowCursor);
    QListView::leaveEvent(event);
}

void EQCloudCardListView::resizeEvent(QResizeEvent *event)
{
    m_settling = true;
    m_settleTimer->start(m_settleDelayMs);
    QListView::resizeEvent(event);
    doItemsLayout();

    // Keep the visible area a whole number of grid rows.
    const int height = viewport()->height() + m_bottomExtra;
    const int rest = height % gridHeight;
    const int extra = rest < std::max(height, 1) ? rest : 0;
    if (extra != m_bottomExtra) {
        m_bottomExtra = extra;
        setViewportMargins(0, 0, -20, extra - 20);
        doItemsLayout();
    }
    viewport()->update();
}
