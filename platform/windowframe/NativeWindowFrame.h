#pragma once

#include "platform/windowframe/IWindowFrame.h"

#include <memory>

// On Linux the compositor decides how window corners look; there is no
// attribute to set, so this does nothing.
class NativeWindowFrame : public IWindowFrame
{
public:
    void requestRoundedCorners(QWidget *window) override;
};

std::unique_ptr<IWindowFrame> createNativeWindowFrame();
