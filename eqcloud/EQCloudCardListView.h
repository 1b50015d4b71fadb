#pragma once

#include <QListView>

class QTimer;

// The wrapping grid of cloud EQ cards (340 x 160 cells). It reports when the
// user scrolls near the end and when its rows do not fill it, so the page can
// pull the next page; right after a resize it stays quiet while the layout settles.
class EQCloudCardListView : public QListView
{
    Q_OBJECT
public:
    static constexpr int gridWidth = 340;
    static constexpr int gridHeight = 160;

    explicit EQCloudCardListView(QWidget *parent = nullptr);
    ~EQCloudCardListView() override;

    void setNearBottomThreshold(int px);
    int nearBottomThreshold() const { return m_nearBottomThreshold; }
    void setSettleDelay(int ms);
    bool isSettling() const { return m_settling; }
    int bottomExtra() const { return m_bottomExtra; }

    void polishVerticalScrollBarStyle();
    void checkViewportUnderfilled();

signals:
    void nearBottom();
    void viewportUnderfilled();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void onScrollValueChanged(int value);
    void onSettled();

    int m_nearBottomThreshold = 120;
    bool m_settling = false;
    QTimer *m_settleTimer = nullptr;
    int m_settleDelayMs = 250;
    int m_bottomExtra = 0;
};
