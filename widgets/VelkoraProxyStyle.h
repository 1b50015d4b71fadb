#pragma once

#include <QProxyStyle>

// The application style: the chosen platform style, minus the keyboard-focus
// frame around push and tool buttons (the kit's painted buttons rely on that).
class VelkoraProxyStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit VelkoraProxyStyle(const QString &key);
    ~VelkoraProxyStyle() override;

    void drawPrimitive(QStyle::PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};
