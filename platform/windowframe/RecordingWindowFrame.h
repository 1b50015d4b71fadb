#pragma once

#include "platform/windowframe/IWindowFrame.h"

#include <QList>

// Test double: remembers every window it was asked to round.
class RecordingWindowFrame : public IWindowFrame
{
public:
    void requestRoundedCorners(QWidget *window) override;

    QList<QWidget *> requests;
};
