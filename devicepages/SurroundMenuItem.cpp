#include "devicepages/SurroundMenuItem.h"

SurroundMenuItem::SurroundMenuItem(QWidget *parent, bool selected)
    : SidebarMenuItem(parent, selected, QStringLiteral(":/svgs/virtualSurround.svg"), QRect(50, 14, 180, 20))
{
}

SurroundMenuItem::~SurroundMenuItem() = default;

QString SurroundMenuItem::title() const
{
    return tr("7.1虚拟环绕");
}
