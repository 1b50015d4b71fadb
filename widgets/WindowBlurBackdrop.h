#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QDialog;

// A blurred copy of a window, laid over its content while one of its modal
// dialogs runs. The window itself carries no effect, so what has effects of
// its own (the boot screen's cross-fade) and what repaints in part is drawn
// as it is; the copy follows: when the window has repainted, it is taken
// again, at most once per renewal interval and last after the last repaint.
// GUI thread only.
class WindowBlurBackdrop : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal kRadius = 8.0;
    // A window that keeps repainting (an animation) is copied no more often than this.
    static constexpr int kRenewIntervalMs = 100;

    // Covers `target`'s window with a new backdrop, or returns null when that
    // window already has one or carries a graphics effect (it keeps that).
    // Delete the backdrop when the dialog is done; the window may delete it first.
    static WindowBlurBackdrop *cover(QWidget *target, qreal radius = kRadius);
    // The backdrop over `window`, or null (one whose dialog has gone does not count).
    static WindowBlurBackdrop *of(const QWidget *window);
    // Runs `dialog` modally over a blurred copy of `target`'s window and
    // returns its result: how every dialog blurs the window behind it. A window
    // already covered (another dialog's backdrop) or carrying an effect keeps
    // that; only this run's backdrop goes when the dialog ends.
    static int execOver(QWidget *target, QDialog *dialog, qreal radius = kRadius);
    // The same for a dialog shown without a loop of its own: it shows now,
    // and its backdrop goes when it hides or is deleted.
    static void showOver(QWidget *target, QDialog *dialog, qreal radius = kRadius);

    // `content` blurred by `radius` logical pixels, over `background`, at the
    // content's device pixel ratio: each pixel from the full picture.
    static QImage blurred(const QImage &content, qreal radius, const QColor &background);
    // What the backdrop shows: `content` blurred as `blurred` does it, but
    // from a copy reduced as far as a blur of `radius` allows, drawn back at
    // `ratio` device pixels per logical pixel over the content's logical size.
    static QImage blurredReduced(const QImage &content, qreal radius, const QColor &background, qreal ratio);
    // How far that may lie from `blurred` in any colour channel (white
    // lines and squares on black, the hardest case, come to 13).
    static constexpr int kReducedDeviation = 14;

    // What the backdrop shows, at the window's device pixel ratio.
    QImage picture() const;

signals:
    // The window is about to be copied (for tests: how often that happens).
    void copying();
    // The copy differed from the one before and the picture was made anew.
    void pictureRenewed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    WindowBlurBackdrop(QWidget *window, qreal radius);
    void scheduleRefresh();
    void refresh();
    void goWith(QDialog *dialog);
    void leave();

    QPointer<QWidget> m_window;
    QPointer<QDialog> m_dialog;
    qreal m_radius;
    QImage m_reduced;
    QImage m_soft; // the reduced copy blurred, at a ratio of 1
    QSizeF m_softSize; // the window's size it stands for
    QTimer m_refresh;
    QElapsedTimer m_sinceCopy;
    bool m_grabbing = false;
    bool m_showingPicture = false;
    bool m_leaving = false; // its dialog is gone; it goes next
};
