#pragma once

#include "store/data_store.h"

#include <QDateTime>
#include <QString>

#include <vector>

class Prompter;

// One record lock as the "Bloqueos" window lists it.
struct HeldLock
{
    Alias database = Alias::Devenix; // Devenix (Datos), Historico or dbModulo
    QString table;
    QString key;
    QString user;
    QString host;
    qint64 process = 0;
    QString session;
    QDateTime since;

    bool operator==(const HeldLock &) const = default;
    // The database as the user knows it: "Datos", "Historia", "Módulo".
    QString databaseText() const;
};

// The locks held now in the connected databases of the store, oldest first; the locks of
// programs of this machine that are no longer running are removed first. Throws StoreError.
std::vector<HeldLock> CurrentLocks(DataStore &store);

// Asks "¿Desea liberar el bloqueo de <table> <key> que tiene el usuario <user> en el equipo
// <host>? ..." and, on Yes, removes exactly that lock (not a lock taken since by another
// program). A lock of this running program is not released here: the window that holds it
// releases it. Returns whether the lock was removed. Throws StoreError.
bool ReleaseLock(DataStore &store, const HeldLock &lock, Prompter &prompter);
