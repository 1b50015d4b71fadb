#include "eq/FilterTypePicker.h"

#include "eq/FloatingPointEditor.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

namespace FloatingPointEditorDetail {

FilterTypePicker::FilterTypePicker(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("fpTypeCombo"));
    m_button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_button->setAutoRaise(true);
    m_button->setFocusPolicy(Qt::StrongFocus);
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_button->setFixedHeight(18);
    layout->addWidget(m_button);

    m_menu = new QMenu(m_button);
    m_menu->setObjectName(QStringLiteral("fpTypeMenu"));
    m_menu->setStyleSheet(QStringLiteral("QMenu#fpTypeMenu {  background-color: #1A1A1B;  color: #E4E4E4;  border: 1px "
                                         "solid #333333;  border-radius: 4.67391px;  padding: 1px;}"
                                         "QMenu#fpTypeMenu::item {  font-family: %1;  font-size: 10px;  font-weight: "
                                         "500;  padding: 4px 5px 4px 6px;  min-height: 20px;}"
                                         "QMenu#fpTypeMenu::item:selected {  background-color: rgba(255, 255, 255, "
                                         "0.15);}")
                              .arg(FloatingPointEditor::fontFamilies()));
    m_button->setMenu(m_menu);
    connect(m_menu, &QMenu::triggered, this, &FilterTypePicker::onMenuTriggered);

    setFocusProxy(m_button);
    m_button->setCursor(Qt::PointingHandCursor);
    setCursor(Qt::PointingHandCursor);
}

FilterTypePicker::~FilterTypePicker() = default;

void FilterTypePicker::addItem(const QString &label, const QVariant &data)
{
    m_labels.append(label);
    m_values.append(data.toString());
    QAction *action = m_menu->addAction(label);
    action->setData(data);
    if (m_labels.size() == 1) {
        m_currentIndex = 0;
        m_button->setText(label);
    }
}

void FilterTypePicker::clear()
{
    m_menu->clear();
    m_labels.clear();
    m_values.clear();
    m_currentIndex = 0;
}

void FilterTypePicker::setCurrentIndex(int index)
{
    m_currentIndex = index;
    showCurrentLabel();
}

QString FilterTypePicker::currentValue() const
{
    return m_values.value(m_currentIndex);
}

void FilterTypePicker::onMenuTriggered(QAction *action)
{
    if (!action)
        return;
    const int index = int(m_menu->actions().indexOf(action));
    if (index < 0 || index == m_currentIndex)
        return;
    m_currentIndex = index;
    showCurrentLabel();
    emit currentIndexChanged(index);
}

void FilterTypePicker::retranslate()
{
    const QList<QAction *> actions = m_menu->actions();
    for (int i = 0; i < actions.size(); ++i) {
        const QString label = FloatingPointEditor::filterTypeDisplayName(actions.at(i)->data().toString());
        actions.at(i)->setText(label);
        if (i < m_labels.size())
            m_labels[i] = label;
    }
    showCurrentLabel();
}

void FilterTypePicker::showCurrentLabel()
{
    if (m_currentIndex >= 0 && m_currentIndex < m_labels.size())
        m_button->setText(m_labels.at(m_currentIndex));
}

} // namespace FloatingPointEditorDetail
