#pragma once

#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QString>
#include <QWidget>

class QTimer;

namespace AccountTest {

// The named child of a widget; a missing one ends the test run at once.
template<typename T = QLineEdit>
T *child(QWidget *parent, const char *name)
{
    T *widget = parent->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

// Applies the UI language as the settings page does and lets the widgets
// receive the language change.
void switchLanguage(const QString &code);

// One timeout of a countdown timer, as if a second had passed.
void fireTimer(QTimer *timer);

// The encoded bytes of a small one-colour picture.
QByteArray solidImage(const QColor &colour, const char *format = "PNG", int side = 8);

// The colour at the centre of the pixmap a label shows.
QColor labelCentreColour(const QWidget *label);

// Equal but for the few levels a lossy format or smoothing shifts a channel.
bool closeTo(const QColor &actual, const QColor &expected);

} // namespace AccountTest
