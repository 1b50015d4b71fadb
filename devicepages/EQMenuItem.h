#pragma once

#include "devicepages/SidebarMenuItem.h"

#include <QList>

class EQSubMenuItem;

// The EQ entry: expands to show its three sub entries (official presets,
// cloud sharing, custom) and collapses when another entry is chosen.
class EQMenuItem : public SidebarMenuItem
{
    Q_OBJECT
public:
    explicit EQMenuItem(QWidget *parent = nullptr, bool selected = false);
    ~EQMenuItem() override;

    QString title() const override;
    // Selecting expands, deselecting collapses.
    void setSelected(bool selected) override;
    bool isExpanded() const { return m_expanded; }
    QSize sizeHint() const override;
    const QList<EQSubMenuItem *> &subItems() const { return m_subItems; }

signals:
    void subItemClicked(int index);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void paintBackground(QPainter &painter) override;
    void changeEvent(QEvent *event) override;

private slots:
    void onOfficialPresetClicked();
    void onCloudSharedClicked();
    void onCustomClicked();

private:
    void setExpanded(bool expanded);
    void selectSubItem(int index);
    void retranslateUi();

    bool m_expanded;
    QWidget *m_subMenu = nullptr;
    QList<EQSubMenuItem *> m_subItems;
};
