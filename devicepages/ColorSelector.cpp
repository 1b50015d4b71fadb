#include "devicepages/ColorSelector.h"

#include "devicepages/ColorDot.h"

#include <QHBoxLayout>

ColorSelector::ColorSelector(QWidget *parent) : QWidget(parent)
{
    setFixedSize(148, 24);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(7);
    for (const Entry &entry : palette()) {
        auto *dot = new ColorDot(entry.color, entry.accent, this);
        connect(dot, &ColorDot::clicked, this, &ColorSelector::onColorDotClicked);
        row->addWidget(dot);
        m_dots.append(dot);
    }
}

ColorSelector::~ColorSelector() = default;

const QList<ColorSelector::Entry> &ColorSelector::palette()
{
    static const QList<Entry> entries{
        {QColor(25, 25, 25), QColor(255, 109, 109), QStringLiteral(":/images/Group 18057.png")},
        {QColor(207, 207, 209), QColor(182, 106, 255), QStringLiteral(":/images/#6E00FF.png")},
        {QColor(27, 26, 28), QColor(200, 106, 255), QStringLiteral(":/images/Group 18056.png")},
        {QColor(255, 255, 255), QColor(163, 163, 163), QStringLiteral(":/images/Group 18058.png")},
        {QColor(222, 222, 222), QColor(255, 210, 221), QStringLiteral(":/images/Group 18059.png")},
    };
    return entries;
}

bool ColorSelector::isPaletteEntry(const QColor &color, const QColor &accent)
{
    for (const Entry &entry : palette()) {
        if (entry.color == color && entry.accent == accent)
            return true;
    }
    return false;
}

QString ColorSelector::pictureForColor(const QColor &color)
{
    for (const Entry &entry : palette()) {
        if (entry.color == color)
            return entry.picture;
    }
    return QString();
}

bool ColorSelector::setCurrentColor(const QColor &color)
{
    if (m_currentColor.isValid() && color == m_currentColor)
        return true;
    for (ColorDot *dot : std::as_const(m_dots)) {
        if (dot->color() == color) {
            select(dot);
            return true;
        }
    }
    return false;
}

void ColorSelector::onColorDotClicked()
{
    auto *dot = qobject_cast<ColorDot *>(sender());
    if (!dot || dot == m_selectedDot || dot->color() == m_currentColor)
        return;
    select(dot);
}

void ColorSelector::select(ColorDot *dot)
{
    for (ColorDot *other : std::as_const(m_dots))
        other->setSelected(other == dot);
    m_selectedDot = dot;
    m_currentColor = dot->color();
    emit colorChanged(m_currentColor);
}
