#pragma once

#include <QWidget>

// The rounded dark body of the curve editor's point context panel.
class EqCtxMenuPanel : public QWidget
{
public:
    explicit EqCtxMenuPanel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
