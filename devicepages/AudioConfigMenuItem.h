#pragma once

#include "devicepages/SidebarMenuItem.h"

// The audio settings entry.
class AudioConfigMenuItem : public SidebarMenuItem
{
    Q_OBJECT
public:
    explicit AudioConfigMenuItem(QWidget *parent = nullptr, bool selected = false);
    ~AudioConfigMenuItem() override;

    QString title() const override;
};
