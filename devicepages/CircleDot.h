#pragma once

#include <QColor>
#include <QWidget>

// A filled circle over the whole widget: one mark of the prompt-tone scale.
class CircleDot : public QWidget
{
    Q_OBJECT
public:
    explicit CircleDot(QWidget *parent = nullptr);
    ~CircleDot() override;

    // The owner calls update() after changing it.
    QColor color;

protected:
    void paintEvent(QPaintEvent *event) override;
};
