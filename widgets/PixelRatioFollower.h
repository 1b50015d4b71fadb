#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Keeps what a widget shows made at its device-pixel ratio: runs `make` with
// the ratio at once, and again when the widget's window moves to a screen of
// another ratio or the widget is first painted at a ratio other than the one
// it was made for (a window shown on a screen other than the primary one).
// One per widget, owned by it.
class PixelRatioFollower : public QObject
{
    Q_OBJECT
public:
    using Make = std::function<void(qreal ratio)>;

    // Replaces what `widget` followed before.
    static void follow(QWidget *widget, Make make);
    // `widget` shows nothing of its own any more: nothing is made again.
    static void stop(QWidget *widget);
    // The ratio the picture of `widget` was made at last; 0 when it follows nothing.
    static qreal madeAt(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit PixelRatioFollower(QWidget *widget);
    static PixelRatioFollower *of(const QWidget *widget);
    void makeAt(qreal ratio);

    QWidget *m_widget;
    Make m_make;
    qreal m_ratio = 0;
};
