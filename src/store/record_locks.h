#pragma once

#include "store/store_error.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>

// Who holds a lock: the user, machine and process of a running program, and its session (one
// per running program, so that two windows of the same program are told apart from two
// programs).
struct LockIdentity
{
    QString user;
    QString host;
    qint64 process = 0;
    QString session;

    // This running program.
    static const LockIdentity &Current();
};

// Record locks kept in the "Bloqueos" table of a database, so that every program sharing the
// file sees them. Beginning an edit, an addition or a deletion takes the lock; storing or
// cancelling releases it.
class RecordLocks
{
public:
    explicit RecordLocks(QSqlDatabase db, LockIdentity identity = LockIdentity::Current());

    // Takes the lock on (table, key). Throws StoreError:
    //  - DeletedByOther when recordExists is given and says the record is gone;
    //  - LockedByOther when another running program holds it ("... User: <name>");
    //  - AlreadyLockedHere when this program already holds it.
    // A lock left by a program of this machine that is no longer running is taken over; on a
    // server, a lock whose database session has ended, from any computer.
    void lock(const QString &table, const QString &key, const std::function<bool()> &recordExists = {});
    void unlock(const QString &table, const QString &key);
    // Every lock of this program's session in this database.
    void unlockAll();

    // Removes the locks of programs of this machine that are no longer running (on a server,
    // of every session that has ended); returns how many were removed. Locks of running
    // programs stay.
    static int RemoveStale(const QSqlDatabase &db);

private:
    QSqlDatabase m_db;
    LockIdentity m_me;
};

// Holds one lock while alive (for a window that keeps a record open for editing).
class ScopedRecordLock
{
public:
    ScopedRecordLock(RecordLocks locks, QString table, QString key,
                     const std::function<bool()> &recordExists = {});
    ~ScopedRecordLock();
    ScopedRecordLock(const ScopedRecordLock &) = delete;
    ScopedRecordLock &operator=(const ScopedRecordLock &) = delete;

private:
    RecordLocks m_locks;
    QString m_table;
    QString m_key;
};

// The holder's name inside a lock error's message: everything from the sixth character after
// the start of "User:", or from the message's sixth character when "User:" is absent.
QString LockUserName(const QString &lockMessage);
