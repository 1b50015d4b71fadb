#include "platform/windowframe/NativeWindowFrame.h"

void NativeWindowFrame::requestRoundedCorners(QWidget *) {}

std::unique_ptr<IWindowFrame> createNativeWindowFrame()
{
    return std::make_unique<NativeWindowFrame>();
}
