#include "tests/account/AccountTestSupport.h"

#include "language/AppLanguageManager.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTimer>

namespace AccountTest {

void switchLanguage(const QString &code)
{
    QVERIFY2(AppLanguageManager::applyLanguage(code), qPrintable(code));
    // The application posts the change to every window.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void fireTimer(QTimer *timer)
{
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QMetaObject::invokeMethod(timer, "timeout");
}

QByteArray solidImage(const QColor &colour, const char *format, int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QColor labelCentreColour(const QWidget *widget)
{
    const auto *label = qobject_cast<const QLabel *>(widget);
    if (!label)
        return {};
    const QImage image = label->pixmap().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool closeTo(const QColor &actual, const QColor &expected)
{
    constexpr int tolerance = 8;
    return qAbs(actual.red() - expected.red()) <= tolerance && qAbs(actual.green() - expected.green()) <= tolerance &&
           qAbs(actual.blue() - expected.blue()) <= tolerance && qAbs(actual.alpha() - expected.alpha()) <= tolerance;
}

} // namespace AccountTest
