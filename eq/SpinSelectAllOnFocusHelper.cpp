#include "eq/SpinSelectAllOnFocusHelper.h"

#include <QAbstractSpinBox>
#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace FloatingPointEditorDetail {

SpinSelectAllOnFocusHelper::SpinSelectAllOnFocusHelper(QAbstractSpinBox *spin) : QObject(spin), m_spin(spin)
{
    spin->installEventFilter(this);
    findLineEdit();
    if (!m_lineEdit)
        QTimer::singleShot(0, this, [this] { findLineEdit(); });
}

void SpinSelectAllOnFocusHelper::findLineEdit()
{
    if (m_lineEdit || !m_spin)
        return;
    m_lineEdit = m_spin->findChild<QLineEdit *>();
    if (m_lineEdit)
        m_lineEdit->installEventFilter(this);
}

bool SpinSelectAllOnFocusHelper::eventFilter(QObject *watched, QEvent *event)
{
    if (m_spin) {
        findLineEdit();
        if (event->type() == QEvent::FocusIn && (watched == m_spin || (m_lineEdit && watched == m_lineEdit))) {
            // The spin box places the cursor after the focus event; select on the next turn.
            QTimer::singleShot(0, m_spin, [spin = m_spin] {
                if (spin)
                    spin->selectAll();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace FloatingPointEditorDetail
