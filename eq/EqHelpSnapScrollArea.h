#pragma once

#include <QScrollArea>

#include <functional>

// The help carousel's horizontally scrolled page strip: it follows a left-button
// drag on its viewport and snaps to the nearest page on release.
class EqHelpSnapScrollArea : public QScrollArea
{
public:
    static constexpr int kPageWidth = 326;
    static constexpr int kPageCount = 5;

    explicit EqHelpSnapScrollArea(QWidget *parent = nullptr);

    std::function<void()> onDragStarted;
    std::function<void()> onDragFinished;
    std::function<void(int)> onSnapToPage;

    bool isDragging() const { return m_dragging; }
    // The page nearest to a scroll value; exactly half way counts as the next page.
    static int nearestPage(int scrollValue);

protected:
    bool viewportEvent(QEvent *event) override;

private:
    bool m_dragging = false;
    double m_lastX = 0.0;
};
