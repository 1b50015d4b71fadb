#include "widgets/StyledButtonGroup.h"

#include "widgets/QFlowLayout.h"
#include "widgets/StyledButton.h"

#include <QBoxLayout>
#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QtDebug>

StyledButtonGroup::StyledButtonGroup(QWidget *parent) : QWidget(parent)
{
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setWidgetResizable(true);
    m_container = new QWidget;
    m_scrollArea->setWidget(m_container);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scrollArea);

    connect(m_scrollArea->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &StyledButtonGroup::refreshHoverStates);
    connect(m_scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &StyledButtonGroup::refreshHoverStates);
    m_scrollArea->viewport()->installEventFilter(this);
    rebuildLayout();
}

StyledButtonGroup::~StyledButtonGroup() = default;

void StyledButtonGroup::rebuildLayout()
{
    delete m_container->layout();
    QLayout *layout = nullptr;
    switch (m_layoutMode) {
    case Horizontal: {
        auto *box = new QHBoxLayout;
        box->setSpacing(m_hSpacing);
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout = box;
        break;
    }
    case Vertical: {
        auto *box = new QVBoxLayout;
        box->setSpacing(m_vSpacing);
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout = box;
        break;
    }
    case Flow:
        layout = new QFlowLayout(nullptr, m_hSpacing, m_vSpacing);
        break;
    default:
        return;
    }
    layout->setContentsMargins(m_margins);
    m_container->setLayout(layout);
    for (StyledButton *button : std::as_const(m_buttons))
        layout->addWidget(button);
}

void StyledButtonGroup::applySpacing()
{
    QLayout *layout = m_container->layout();
    if (m_layoutMode == Horizontal) {
        if (auto *box = qobject_cast<QHBoxLayout *>(layout))
            box->setSpacing(m_hSpacing);
    } else if (m_layoutMode == Vertical) {
        if (auto *box = qobject_cast<QVBoxLayout *>(layout))
            box->setSpacing(m_vSpacing);
    } else if (m_layoutMode == Flow) {
        if (auto *flow = qobject_cast<QFlowLayout *>(layout))
            flow->setSpacings(m_hSpacing, m_vSpacing);
    }
}

bool StyledButtonGroup::addButton(StyledButton *button, const QString &id)
{
    if (!button)
        return false;
    if (!id.isEmpty() && m_idToButton.contains(id)) {
        qWarning() << "VarevButtonWidget::addButton: Duplicate ID ignored:" << id;
        return false;
    }
    button->setParent(m_container);
    m_buttons.append(button);
    if (!id.isEmpty())
        m_idToButton.insert(id, button);
    connect(button, &QPushButton::clicked, this, &StyledButtonGroup::onButtonClicked);
    connect(button, &QPushButton::toggled, this, &StyledButtonGroup::onButtonToggled);
    if (QLayout *layout = m_container->layout())
        layout->addWidget(button);
    if (m_fontPixelSize > 0)
        applyFontPixelSize(button);
    button->show();
    emit buttonCountChanged(m_buttons.size());
    return true;
}

bool StyledButtonGroup::addButton(const QString &text, const QString &iconPath, const QString &id)
{
    auto *button = new StyledButton(text, iconPath, m_container);
    if (!addButton(button, id)) {
        delete button;
        return false;
    }
    return true;
}

bool StyledButtonGroup::addTextButton(const QString &text, const QString &id)
{
    auto *button = new StyledButton(text, StyledButton::TextButton, m_container);
    if (!addButton(button, id)) {
        delete button;
        return false;
    }
    return true;
}

StyledButton *StyledButtonGroup::buttonById(const QString &id) const
{
    return m_idToButton.value(id, nullptr);
}

QString StyledButtonGroup::idOf(StyledButton *button) const
{
    for (auto it = m_idToButton.cbegin(); it != m_idToButton.cend(); ++it) {
        if (it.value() == button)
            return it.key();
    }
    return QString();
}

void StyledButtonGroup::setSelectedById(const QString &id)
{
    if (StyledButton *button = m_idToButton.value(id, nullptr))
        button->setChecked(true);
}

void StyledButtonGroup::setCheckedQuietly(StyledButton *button, bool checked)
{
    m_suppressToggle = true;
    button->setChecked(checked);
    m_suppressToggle = false;
}

void StyledButtonGroup::clearSelection()
{
    if (!m_currentButton)
        return;
    setCheckedQuietly(m_currentButton, false);
    m_currentButton = nullptr;
    emit selectionCleared();
}

void StyledButtonGroup::clear()
{
    clearSelection();
    m_idToButton.clear();
    QLayout *layout = m_container->layout();
    while (!m_buttons.isEmpty()) {
        StyledButton *button = m_buttons.takeFirst();
        if (layout)
            layout->removeWidget(button);
        delete button;
    }
    emit buttonCountChanged(0);
}

void StyledButtonGroup::setLayoutMode(int mode)
{
    if (mode == m_layoutMode)
        return;
    m_layoutMode = mode;
    rebuildLayout();
}

void StyledButtonGroup::setSpacing(int px)
{
    m_hSpacing = px;
    m_vSpacing = px;
    applySpacing();
}

void StyledButtonGroup::setFontPixelSize(double px)
{
    m_fontPixelSize = px;
    if (px <= 0)
        return;
    for (StyledButton *button : std::as_const(m_buttons))
        applyFontPixelSize(button);
}

void StyledButtonGroup::applyFontPixelSize(StyledButton *button) const
{
    double dpi = button->logicalDpiY();
    if (dpi <= 0)
        dpi = 96.0;
    QFont f = button->font();
    f.setPointSizeF(m_fontPixelSize * 72.0 / dpi);
    button->setFont(f);
}

void StyledButtonGroup::onButtonClicked()
{
    auto *button = qobject_cast<StyledButton *>(sender());
    const int index = m_buttons.indexOf(button);
    if (index < 0)
        return;
    emit buttonClicked(index);
    const QString id = idOf(button);
    if (!id.isEmpty())
        emit buttonClickedById(id);
}

void StyledButtonGroup::onButtonToggled(bool checked)
{
    auto *button = qobject_cast<StyledButton *>(sender());
    if (!button)
        return;
    if (!checked) {
        // The selected button cannot be cleared by clicking it again.
        if (button == m_currentButton && !m_suppressToggle)
            setCheckedQuietly(button, true);
        return;
    }
    // The re-check above arrives here too, so clicking the selected button reports it again.
    if (m_currentButton && m_currentButton != button)
        setCheckedQuietly(m_currentButton, false);
    m_currentButton = button;
    emit selectedChanged(m_buttons.indexOf(button));
    const QString id = idOf(button);
    if (!id.isEmpty())
        emit selectedChangedById(id);
}

void StyledButtonGroup::refreshHoverStates()
{
    for (StyledButton *button : std::as_const(m_buttons))
        button->refreshHoverState();
}

bool StyledButtonGroup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scrollArea->viewport() && event->type() == QEvent::Leave)
        refreshHoverStates();
    return QWidget::eventFilter(watched, event);
}

void StyledButtonGroup::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    QTimer::singleShot(0, this, &StyledButtonGroup::refreshHoverStates);
}
