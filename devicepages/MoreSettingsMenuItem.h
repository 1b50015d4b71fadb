#pragma once

#include "devicepages/SidebarMenuItem.h"

// The more-settings entry; a red dot after its title flags a firmware update.
class MoreSettingsMenuItem : public SidebarMenuItem
{
    Q_OBJECT
public:
    explicit MoreSettingsMenuItem(QWidget *parent = nullptr, bool selected = false);
    ~MoreSettingsMenuItem() override;

    QString title() const override;
    bool isRedDotVisible() const { return m_redDot; }
    // Repaints only on a change.
    void setRedDotVisible(bool visible);
    // Where the dot is drawn.
    QRectF redDotRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_redDot = false;
};
