#pragma once

#include <QVariant>

class QSettings;
class QString;

// The program's settings store, as every reader and writer of a preference
// uses it. A change the file refuses (a read-only or full home folder, a
// damaged file) holds for this session: the store keeps it in the process and
// answers it before the file until a later save stores it. Qt alone keeps such
// a change only while some QSettings on the file lives, and not even that when
// the file does not exist yet. Changes are kept per file, so a QSettings on
// another file or under other application names has its own.
namespace SettingsStore {

// The value of `key`: this session's change when one is held (a removed key
// reads as absent), else what the file holds.
QVariant value(const QSettings &settings, const QString &key, const QVariant &defaultValue = QVariant());
bool contains(const QSettings &settings, const QString &key);
// The same on the program's own store (the application's names, native format).
QVariant value(const QString &key, const QVariant &defaultValue = QVariant());
bool contains(const QString &key);

// Change one key (never a whole group); held until a commit stores it.
void setValue(QSettings &settings, const QString &key, const QVariant &value);
void remove(QSettings &settings, const QString &key);

// Writes the changes held for the file of `settings`, those of earlier
// refused saves included. False when they could not be stored: they then hold
// for this session only.
bool commit(QSettings &settings);

// Forgets every change held for this session. For tests that empty a store.
void forgetHeldChanges();

} // namespace SettingsStore
