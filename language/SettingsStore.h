#pragma once

class QSettings;

// The program's settings store, as every writer of a preference uses it.
namespace SettingsStore {

// Writes the pending changes of `settings` to its file. False when they could
// not be stored (a read-only or full home folder, a damaged file): the values
// then hold for this session only. GUI thread only.
bool commit(QSettings &settings);

} // namespace SettingsStore
