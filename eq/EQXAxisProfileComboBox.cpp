#include "eq/EQXAxisProfileComboBox.h"

#include "eq/EQXAxisProfileItemDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int kOffscreenGap = 120;
constexpr int kPopupSlack = 22;
} // namespace

EQXAxisProfileComboBox::EQXAxisProfileComboBox(QWidget *parent) : QComboBox(parent)
{
    QAbstractItemView *itemView = view();
    itemView->setAttribute(Qt::WA_StyledBackground, true);
    if (auto *list = qobject_cast<QListView *>(itemView)) {
        list->setAlternatingRowColors(false);
        list->setFrameShape(QFrame::NoFrame);
        list->setMouseTracking(true);
        list->setUniformItemSizes(true);
    }
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        fusion->setParent(itemView);
        itemView->setStyle(fusion);
    }
    itemView->setItemDelegate(new EQXAxisProfileItemDelegate(this, itemView));
    itemView->setStyleSheet(QStringLiteral(
        "QAbstractItemView {background-color: #1A1A1B;color: #999999;border: 1px solid rgba(165, 115, 237, "
        "0.35);border-radius: 7px;outline: none;padding: 6px 4px;selection-background-color: "
        "transparent;selection-color: transparent;}QAbstractItemView::viewport {background-color: "
        "#1A1A1B;border-radius: 6px;}QListView::item, QAbstractItemView::item {padding: 0px;border: "
        "none;background: transparent;}"));

    setEditable(true);
    QLineEdit *edit = lineEdit();
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setPlaceholderText(QString());
    edit->setStyleSheet(
        QStringLiteral("QLineEdit { background: transparent; border: none; color: #A8A8A8; padding: 0px; margin: 0px; }"));
    edit->setText(QString());

    // The picker shows only its arrow: the name the combo box writes is wiped again.
    connect(this, &QComboBox::currentIndexChanged, this, [this] { clearLineEditLater(); });
    connect(this, &QComboBox::highlighted, this, [this] { clearLineEditLater(); });
}

EQXAxisProfileComboBox::~EQXAxisProfileComboBox()
{
    stopWatchingPopup();
}

void EQXAxisProfileComboBox::clearLineEditLater()
{
    QTimer::singleShot(0, this, [this] {
        if (lineEdit())
            lineEdit()->setText(QString());
    });
}

QFont EQXAxisProfileComboBox::popupFont() const
{
    return EQXAxisProfileItemDelegate::rowFont(font());
}

void EQXAxisProfileComboBox::adjustPopupWidth(QWidget *popup)
{
    if (!popup)
        return;
    const QFontMetrics metrics(popupFont());
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    int minimum = std::max(width(), widest + (frame + kPopupSlack) * 2);
    // The rows are as wide as the list's viewport; the popup's border, padding
    // and frame around it must not leave the widest name too little of a row.
    if (popup->isVisible() && view() && view()->viewport()) {
        const int chrome = popup->width() - view()->viewport()->width();
        minimum = std::max(minimum, EQXAxisProfileItemDelegate::rowWidthFor(widest) + chrome);
    }
    popup->setMinimumWidth(minimum);
}

void EQXAxisProfileComboBox::positionPopup(QWidget *popup)
{
    if (!popup || popup == this)
        return;
    const QPoint globalTopLeft = mapToGlobal(QPoint(0, 0));
    int x = globalTopLeft.x() + width() - popup->width();
    const int y = popup->mapToGlobal(QPoint(0, 0)).y();
    if (QWidget *top = window()) {
        const int wx = top->mapToGlobal(QPoint(0, 0)).x();
        const int ww = top->width();
        x = std::max(wx, std::min(std::max(wx, wx + ww - popup->width()), x));
    }
    const QPoint current = popup->pos();
    if (std::abs(current.x() - x) >= 2 || std::abs(current.y() - y) >= 2)
        popup->move(x, y);
}

void EQXAxisProfileComboBox::showPopup()
{
    if (view())
        adjustPopupWidth(view()->window());
    const bool animated = QApplication::isEffectEnabled(Qt::UI_AnimateCombo);
    QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
    QComboBox::showPopup();
    if (animated)
        QApplication::setEffectEnabled(Qt::UI_AnimateCombo, true);

    QWidget *popup = view() ? view()->window() : nullptr;
    if (!popup || popup == window())
        return;
    stopWatchingPopup();
    adjustPopupWidth(popup);
    // Park the popup off screen first so it never flashes at the combo box's own place.
    QScreen *screen = QApplication::screenAt(mapToGlobal(rect().center()));
    if (!screen)
        screen = this->screen();
    const QRect virtualGeometry = screen ? screen->virtualGeometry() : QRect(-20000, -20000, 40000, 40000);
    popup->move(virtualGeometry.left() - kOffscreenGap - popup->width(), popup->y());
    positionPopup(popup);
    popup->installEventFilter(this);
    m_popup = popup;
    QTimer::singleShot(0, this, [this] { adjustPopup(); });
    QTimer::singleShot(40, this, [this] { adjustPopup(); });
}

void EQXAxisProfileComboBox::adjustPopup()
{
    if (!m_popup || !view() || m_popup != view()->window())
        return;
    adjustPopupWidth(m_popup);
    positionPopup(m_popup);
}

void EQXAxisProfileComboBox::stopWatchingPopup()
{
    if (m_popup)
        m_popup->removeEventFilter(this);
    m_popup.clear();
}

void EQXAxisProfileComboBox::hidePopup()
{
    stopWatchingPopup();
    QComboBox::hidePopup();
    if (lineEdit())
        lineEdit()->setText(QString());
}

bool EQXAxisProfileComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (m_popup && watched == m_popup && (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        && !m_adjusting) {
        m_adjusting = true;
        adjustPopup();
        m_adjusting = false;
    }
    return QComboBox::eventFilter(watched, event);
}
