#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QDialog;

// A blurred copy of a window, laid over its content while one of its modal
// dialogs runs. The window itself carries no effect, so what has effects of
// its own (the boot screen's cross-fade) and what repaints in part is drawn
// as it is; the copy follows: whenever the window asks to be repainted, it is
// taken again. GUI thread only.
class WindowBlurBackdrop : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal kRadius = 8.0;

    // Covers `target`'s window with a new backdrop, or returns null when that
    // window already has one or carries a graphics effect (it keeps that).
    // Delete the backdrop when the dialog is done; the window may delete it first.
    static WindowBlurBackdrop *cover(QWidget *target, qreal radius = kRadius);
    // The backdrop over `window`, or null.
    static WindowBlurBackdrop *of(const QWidget *window);
    // Runs `dialog` modally over a blurred copy of `target`'s window and
    // returns its result: how every dialog blurs the window behind it. A window
    // already covered (another dialog's backdrop) or carrying an effect keeps
    // that; only this run's backdrop goes when the dialog ends.
    static int execOver(QWidget *target, QDialog *dialog, qreal radius = kRadius);

    // `content` blurred by `radius` logical pixels, over `background`, at the
    // content's device pixel ratio.
    static QImage blurred(const QImage &content, qreal radius, const QColor &background);

    // What the backdrop shows.
    QImage picture() const { return m_picture; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    WindowBlurBackdrop(QWidget *window, qreal radius);
    void refresh();

    QPointer<QWidget> m_window;
    qreal m_radius;
    QImage m_content;
    QImage m_picture;
    QTimer m_refresh;
    bool m_grabbing = false;
    bool m_showingPicture = false;
};
