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
    if (m_lineEdit)
        return;
    if (QLineEdit *edit = m_spin->findChild<QLineEdit *>()) {
        m_lineEdit = edit;
        edit->installEventFilter(this);
    }
}

bool SpinSelectAllOnFocusHelper::eventFilter(QObject *watched, QEvent *event)
{
    // Only focus matters; other events also arrive while the spin box is torn down.
    if (event->type() == QEvent::FocusIn) {
        findLineEdit();
        if (watched == m_spin || (m_lineEdit && watched == m_lineEdit)) {
            // The spin box places the cursor after the focus event; select on the next turn.
            QTimer::singleShot(0, m_spin, [spin = m_spin] { spin->selectAll(); });
        }
    }
    return QObject::eventFilter(watched, event);
}
} // namespace FloatingPointEditorDetail
