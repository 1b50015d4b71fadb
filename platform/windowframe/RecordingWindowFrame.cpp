#include "platform/windowframe/RecordingWindowFrame.h"

void RecordingWindowFrame::requestRoundedCorners(QWidget *window)
{
    requests.append(window);
}
