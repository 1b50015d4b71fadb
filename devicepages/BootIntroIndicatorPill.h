#pragma once

#include <QWidget>

#include <functional>

// One of the two small pills under the boot screen's pictures: purple while
// its picture is shown; a click selects its picture.
class BootIntroIndicatorPill : public QWidget
{
    Q_OBJECT
public:
    explicit BootIntroIndicatorPill(QWidget *parent = nullptr);
    ~BootIntroIndicatorPill() override;

    bool isActive() const { return m_active; }
    // Repaints only when the flag changes.
    void setActive(bool active);
    void setClickHandler(std::function<void()> handler);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_active = false;
    std::function<void()> m_clickHandler;
};
