#include "devicepages/EQMenuItem.h"

#include "devicepages/EQSubMenuItem.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {
constexpr int kExpandedHeight = 170;
const QPointF kChevronCentre(170, 23.5);
} // namespace

EQMenuItem::EQMenuItem(QWidget *parent, bool selected)
    : SidebarMenuItem(parent, selected, QStringLiteral(":/svgs/mixer.svg"), QRect(50, 14, 130, 20)),
      m_expanded(selected)
{
    m_subMenu = new QWidget(this);
    m_subMenu->setObjectName(QStringLiteral("eqSubMenu"));
    m_subMenu->setGeometry(0, kCollapsedHeight, 200, 123);
    m_subMenu->setStyleSheet(QStringLiteral("background-color: #1A1A1B; border: none;"));
    auto *layout = new QVBoxLayout(m_subMenu);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Index 0 official presets, 1 cloud sharing, 2 custom.
    for (int i = 0; i < 3; ++i) {
        auto *item = new EQSubMenuItem(QString(), i == 0, i == 0, m_subMenu);
        item->setObjectName(QStringLiteral("eqSubItem%1").arg(i));
        layout->addWidget(item);
        m_subItems.append(item);
    }
    connect(m_subItems[0], &EQSubMenuItem::clicked, this, &EQMenuItem::onOfficialPresetClicked);
    connect(m_subItems[1], &EQSubMenuItem::clicked, this, &EQMenuItem::onCloudSharedClicked);
    connect(m_subItems[2], &EQSubMenuItem::clicked, this, &EQMenuItem::onCustomClicked);
    retranslateUi();
    setExpanded(m_expanded);
}

EQMenuItem::~EQMenuItem() = default;

QString EQMenuItem::title() const
{
    return tr("EQ调音台");
}

void EQMenuItem::retranslateUi()
{
    m_subItems[0]->setText(tr("官方预设"));
    m_subItems[1]->setText(tr("云端共享"));
    m_subItems[2]->setText(tr("自定义"));
}

QSize EQMenuItem::sizeHint() const
{
    return QSize(200, m_expanded ? kExpandedHeight : kCollapsedHeight);
}

void EQMenuItem::setExpanded(bool expanded)
{
    m_expanded = expanded;
    m_subMenu->setVisible(expanded);
    setFixedHeight(expanded ? kExpandedHeight : kCollapsedHeight);
}

void EQMenuItem::setSelected(bool selected)
{
    if (selected == isSelected())
        return;
    setSelectedFlag(selected);
    setExpanded(selected);
    update();
}

void EQMenuItem::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    setSelectedFlag(true);
    setExpanded(!m_expanded);
    emit clicked();
    update();
}

void EQMenuItem::paintEvent(QPaintEvent *event)
{
    SidebarMenuItem::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // A filled chevron 10 x 6: up while open, down otherwise.
    const bool up = isSelected() && m_expanded;
    const qreal x = kChevronCentre.x();
    const qreal y = kChevronCentre.y();
    QPainterPath chevron;
    if (up) {
        chevron.moveTo(x - 5, y + 3);
        chevron.lineTo(x + 5, y + 3);
        chevron.lineTo(x, y - 3);
    } else {
        chevron.moveTo(x - 5, y - 3);
        chevron.lineTo(x + 5, y - 3);
        chevron.lineTo(x, y + 3);
    }
    chevron.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(isSelected() ? QColor(255, 255, 255) : QColor(153, 153, 153));
    painter.drawPath(chevron);
}

void EQMenuItem::paintBackground(QPainter &painter)
{
    if (!isSelected()) {
        painter.fillRect(QRectF(2, 2, width() - 4, height() - 2), QColor(26, 26, 27));
        return;
    }
    QLinearGradient gradient(QPointF(2, 2), QPointF(width() - 4, 2));
    gradient.setColorAt(0.0, QColor(101, 50, 203));
    gradient.setColorAt(1.0, QColor(65, 2, 144));
    painter.fillRect(QRectF(2, 2, width() - 4, 45), gradient);
    if (m_expanded && height() > kCollapsedHeight)
        painter.fillRect(QRectF(2, kCollapsedHeight, width() - 4, height() - kCollapsedHeight), QColor(26, 26, 27));
}

void EQMenuItem::selectSubItem(int index)
{
    for (int i = 0; i < m_subItems.size(); ++i) {
        m_subItems[i]->setSelected(i == index);
        m_subItems[i]->setMarked(i == index);
    }
    emit subItemClicked(index);
}

void EQMenuItem::onOfficialPresetClicked()
{
    selectSubItem(0);
}

void EQMenuItem::onCloudSharedClicked()
{
    selectSubItem(1);
}

void EQMenuItem::onCustomClicked()
{
    selectSubItem(2);
}

void EQMenuItem::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && !m_subItems.isEmpty())
        retranslateUi();
    SidebarMenuItem::changeEvent(event);
}
