// The small "Reset" / "Delete" panel of a right-clicked point, and the texts
// that follow the language.
#include "eq/EQCurveEditor.h"

#include "eq/EqCtxMenuPanel.h"
#include "eq/EqCtxRowButton.h"
#include "eq/FloatingPointEditor.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace {
constexpr int kMenuGap = 17;
}

void EQCurveEditor::buildContextMenu()
{
    m_menu = new QMenu(this);
    // Only the panel's rounded body shows; the menu window itself stays invisible.
    m_menu->setWindowFlags(m_menu->windowFlags() | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    m_menu->setAttribute(Qt::WA_TranslucentBackground);
    m_menu->setStyleSheet(QStringLiteral("QMenu{background:transparent;border:none;padding:0px;margin:0px;}"));
    auto *action = new QWidgetAction(m_menu);
    auto *panel = new EqCtxMenuPanel(m_menu);
    panel->setAttribute(Qt::WA_TranslucentBackground, false);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(5);
    m_resetRow = new EqCtxRowButton(tr("重置"), EqCtxRowButton::Kind::Reset, panel);
    m_resetRow->setFixedSize(100, 22);
    m_deleteRow = new EqCtxRowButton(tr("删除"), EqCtxRowButton::Kind::Delete, panel);
    m_deleteRow->setFixedSize(100, 22);
    layout->addWidget(m_resetRow);
    layout->addWidget(m_deleteRow);
    action->setDefaultWidget(panel);
    m_menu->addAction(action);
    connect(m_resetRow, &QPushButton::clicked, this, &EQCurveEditor::onResetRowClicked);
    connect(m_deleteRow, &QPushButton::clicked, this, &EQCurveEditor::onDeleteRowClicked);
}

void EQCurveEditor::retranslateMenu()
{
    if (m_resetRow)
        m_resetRow->setText(tr("重置"));
    if (m_deleteRow)
        m_deleteRow->setText(tr("删除"));
}

void EQCurveEditor::onResetRowClicked()
{
    if (m_contextIndex >= 0)
        resetPoint(m_contextIndex);
    hideEditor();
    m_hoverIndex = -1;
    updatePointStyles(-1);
    updateSelectedBandCurve();
    m_menu->close();
    updateHover(cursorInViewport());
}

void EQCurveEditor::onDeleteRowClicked()
{
    if (m_contextIndex != -1)
        onRemovePoint(m_contextIndex);
    m_menu->close();
}

void EQCurveEditor::contextMenuEvent(QContextMenuEvent *event)
{
    const int idx = m_points.isEmpty() || !m_menu ? -1 : pointIndexAt(event->pos());
    if (idx < 0) {
        event->ignore();
        return;
    }
    if (m_editGuard && !m_editGuard()) {
        emit pointDragDenied();
        event->accept();
        updateCursor(event->pos());
        return;
    }
    m_contextIndex = idx;
    m_resetRow->setEnabled(true);
    m_deleteRow->setEnabled(true);
    QPoint global;
    if (chart() && viewport()) {
        m_menu->adjustSize();
        const QPoint p = pointViewportPos(idx);
        global = viewport()->mapToGlobal(QPoint(p.x() - m_menu->sizeHint().width() / 2, p.y() + kMenuGap));
    } else {
        global = viewport()->mapToGlobal(event->pos());
    }
    // The panel runs its own event loop, in which the chart may be deleted.
    const QPointer<EQCurveEditor> self(this);
    m_menu->exec(global);
    event->accept();
    if (self)
        m_contextIndex = -1;
}

void EQCurveEditor::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslateMenu();
        if (m_editor)
            m_editor->retranslateUi();
    }
    QChartView::changeEvent(event);
}
