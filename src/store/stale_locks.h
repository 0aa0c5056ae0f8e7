#pragma once

#include <QString>

// Removes, in every "*.sqlite" file below dir, the record locks of programs of this machine
// that are no longer running (RecordLocks::RemoveStale); locks of running programs stay.
// Runs before any table is opened, on the files as they are: a file that cannot be opened or
// has no lock table is left untouched and without a message (opening it later reports it).
// Returns the number of locks removed.
int RemoveStaleLocksBelow(const QString &dir);
