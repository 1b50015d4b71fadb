#include "widgets/TabItem.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {
constexpr int kUnderlineWidth = 40;

QString transparentUnderline()
{
    return QStringLiteral("QFrame {   background-color: transparent;   border-radius: 2px;}");
}

QString litUnderline()
{
    return QStringLiteral("QFrame {   background-color: #E4E4E4;   border-radius: 2px;}");
}
} // namespace

TabItem::TabItem(const QString &text, QWidget *parent) : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->setAlignment(Qt::AlignCenter);

    m_title = new QLabel(text, this);
    m_title->setMinimumHeight(20);
    m_title->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setStyleSheet(titleStyleSheet(QStringLiteral("#999999")));
    m_title->setCursor(Qt::PointingHandCursor);
    column->addWidget(m_title);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    m_underline = new QFrame(this);
    m_underline->setFrameShape(QFrame::NoFrame);
    m_underline->setFixedSize(kUnderlineWidth, 2);
    m_underline->setStyleSheet(transparentUnderline());
    m_underline->setCursor(Qt::PointingHandCursor);
    row->addStretch();
    row->addWidget(m_underline);
    row->addStretch();
    column->addLayout(row);

    setFixedHeight(31);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

TabItem::~TabItem() = default;

QString TabItem::titleStyleSheet(const QString &colour)
{
    return QStringLiteral("QLabel {    font-family: \"Microsoft YaHei\",\"PingFang SC\",\"Segoe UI\",sans-serif;"
                          "    font-style: normal;    font-weight: 600;    font-size: 14px;    line-height: 20px;"
                          "    text-align: center;    color: %1;}")
        .arg(colour);
}

void TabItem::setText(const QString &text)
{
    m_title->setText(text);
    m_underline->setFixedWidth(kUnderlineWidth);
}

QString TabItem::text() const
{
    return m_title->text();
}

void TabItem::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    applyLook();
    emit toggled(selected);
}

void TabItem::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    applyLook();
}

void TabItem::applyLook()
{
    if (m_selected) {
        m_title->setStyleSheet(titleStyleSheet(QStringLiteral("#E4E4E4")));
        m_underline->setStyleSheet(m_hovered ? litUnderline() : transparentUnderline());
    } else {
        m_title->setStyleSheet(titleStyleSheet(QStringLiteral("#999999")));
        m_underline->setStyleSheet(transparentUnderline());
    }
}

void TabItem::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    emit clicked();
    setSelected(!m_selected);
    event->accept();
}

void TabItem::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_underline->setFixedWidth(kUnderlineWidth);
}
