#pragma once

#include <QPushButton>

// A checkable button that shows the accent gradient while checked.
class GradientButton : public QPushButton
{
    Q_OBJECT
public:
    GradientButton(const QString &text, QWidget *parent);
    ~GradientButton() override;

    void setSelected(bool selected);
};
