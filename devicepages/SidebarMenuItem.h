#pragma once

#include <QRect>
#include <QWidget>

class QLabel;

// A top-level entry of the device page's sidebar: icon, title and a purple
// band while selected. Subclasses give the title and may add to the look.
class SidebarMenuItem : public QWidget
{
    Q_OBJECT
public:
    ~SidebarMenuItem() override;

    bool isSelected() const { return m_selected; }
    virtual void setSelected(bool selected);
    // The translated title.
    virtual QString title() const = 0;
    QRect textRect() const { return m_textRect; }
    const QLabel *iconLabel() const { return m_icon; }

signals:
    void clicked();

protected:
    SidebarMenuItem(QWidget *parent, bool selected, const QString &iconPath, const QRect &textRect);

    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

    // The band behind the title; the EQ entry paints its own.
    virtual void paintBackground(QPainter &painter);
    void paintTitle(QPainter &painter);
    void setSelectedFlag(bool selected) { m_selected = selected; }

    static constexpr int kCollapsedHeight = 47;

private:
    void loadIcon();

    bool m_selected;
    QString m_iconPath;
    QRect m_textRect;
    QLabel *m_icon = nullptr;
};
