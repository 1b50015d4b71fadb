#pragma once

#include <QPixmap>
#include <QWidget>

// A blurred, slightly darkened snapshot of the host window, laid over it while
// the help carousel is open.
class EqHelpBlurSurface : public QWidget
{
public:
    explicit EqHelpBlurSurface(QWidget *parent = nullptr);

    void setSnapshot(const QPixmap &snapshot);
    const QPixmap &snapshot() const { return m_snapshot; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_snapshot;
};
