#include "devicepages/AudioConfigMenuItem.h"

AudioConfigMenuItem::AudioConfigMenuItem(QWidget *parent, bool selected)
    : SidebarMenuItem(parent, selected, QStringLiteral(":/svgs/trumpet.svg"), QRect(50, 13, 150, 20))
{
}

AudioConfigMenuItem::~AudioConfigMenuItem() = default;

QString AudioConfigMenuItem::title() const
{
    return tr("音频配置");
}
