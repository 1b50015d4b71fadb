#pragma once

// What closing the main window does: quit (true) or hide in the tray (false).
namespace CloseBehavior {

bool exitOnClose();
void setExitOnClose(bool exit);

} // namespace CloseBehavior
