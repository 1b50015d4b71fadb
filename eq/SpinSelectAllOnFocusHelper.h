#pragma once

#include <QObject>
#include <QPointer>

class QAbstractSpinBox;
class QLineEdit;

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

    QPointer<QAbstractSpinBox> m_spin;
    QPointer<QLineEdit> m_lineEdit;
};

} // namespace FloatingPointEditorDetail
