#pragma once

#include <QPointer>

class QGraphicsEffect;
class QWidget;

// Blurs the page's window while one of the page's dialogs is open: a scope
// guard around the dialog's modal run. A window that already carries an effect
// keeps it untouched; the blur is only removed while it is still the window's.
class EqDialogBlur
{
public:
    static constexpr qreal kRadius = 8.0;

    explicit EqDialogBlur(QWidget *page);
    ~EqDialogBlur();
    EqDialogBlur(const EqDialogBlur &) = delete;
    EqDialogBlur &operator=(const EqDialogBlur &) = delete;

    // The page's top-level window, or the page itself when it has none.
    static QWidget *targetOf(QWidget *page);

private:
    QPointer<QWidget> m_target;
    QPointer<QGraphicsEffect> m_effect;
};
