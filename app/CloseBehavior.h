#pragma once

// What closing the main window does: quit (true) or hide in the tray (false).
namespace CloseBehavior {

bool exitOnClose();
// Stores the preference; false when it could not be saved.
bool setExitOnClose(bool exit);

} // namespace CloseBehavior
