#pragma once

class QWidget;

// Native frame attributes of a frameless top-level window.
class IWindowFrame
{
public:
    virtual ~IWindowFrame() = default;

    // Asks the window system to round the corners of `window`, which has a native handle.
    virtual void requestRoundedCorners(QWidget *window) = 0;
};
