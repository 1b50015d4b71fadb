#pragma once

#include <QObject>
#include <QPointer>

class QAbstractSpinBox;

namespace FloatingPointEditorDetail {

// Selects the whole text of a spin box when it (or its inner line edit) gains
// focus, so a typed value replaces the old one.
class SpinSelectAllOnFocusHelper : public QObject
{
public:
    explicit SpinSelectAllOnFocusHelper(QAbstractSpinBox *spin);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void findLineEdit();

    // The helper is the spin box's child, so the spin box outlives it.
    QAbstractSpinBox *m_spin;
    QPointer<QObject> m_lineEdit;
};

} // namespace FloatingPointEditorDetail
