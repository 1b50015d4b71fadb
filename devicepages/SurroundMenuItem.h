#pragma once

#include "devicepages/SidebarMenuItem.h"

// The virtual surround entry; built but kept hidden.
class SurroundMenuItem : public SidebarMenuItem
{
    Q_OBJECT
public:
    explicit SurroundMenuItem(QWidget *parent = nullptr, bool selected = false);
    ~SurroundMenuItem() override;

    QString title() const override;
};
