#pragma once

#include "core/errors.h"

// Outcome codes of the data store, numbered as the record-lock conventions of the program
// expect them.
enum class StoreCode {
    Failure = 0,
    DeletedByOther = 8708,    // the record vanished before the change began
    KeyViolation = 9729,      // a unique key already holds that value
    LockedByOther = 10241,    // another running program holds the record
    TableBusy = 10243,
    TableLocked = 10245,
    AlreadyLockedHere = 10247 // this program already holds it
};

// A failure of the data store. Lock outcomes carry the holder's name in the message after
// "User: ", the form the lock reaction reads it from.
class StoreError : public AppError
{
public:
    StoreError(StoreCode code, QString message, QString detail = {});

    StoreCode code() const noexcept { return m_code; }
    bool isLockOutcome() const noexcept;

private:
    StoreCode m_code;
};

// A database file that is damaged (or empty where data belongs): the message names the file
// and tells the user to restore a backup.
AppError DamagedDatabase(const QString &filePath, const QString &detail = {});

// A database file that cannot be read or opened: when the disk holding it is full, a message
// that says so (SQLite reports a full disk as an unreadable file); otherwise `otherwise`.
AppError UnreadableDatabase(const QString &filePath, AppError otherwise);
