#include "store/lock_list.h"

#include "core/prompter.h"
#include "store/record_locks.h"
#include "store/sql.h"

QString HeldLock::databaseText() const
{
    switch (database) {
    case Alias::Historico:
        return QStringLiteral("Historia");
    case Alias::Modulo:
        return QStringLiteral("Módulo");
    default:
        return QStringLiteral("Datos");
    }
}

std::vector<HeldLock> CurrentLocks(DataStore &store)
{
    std::vector<HeldLock> locks;
    // dbIntereses and dbGeneral are the file of Devenix again.
    for (const Alias alias : {Alias::Devenix, Alias::Historico, Alias::Modulo}) {
        if (!store.isConnected(alias))
            continue;
        const QSqlDatabase db = store.database(alias);
        RecordLocks::RemoveStale(db);
        QSqlQuery rows = RunSql(db, QStringLiteral("SELECT Tabla, Clave, Usuario, Equipo, Proceso, Sesion, Desde"
                                                   " FROM Bloqueos ORDER BY Desde, Tabla, Clave"));
        while (rows.next()) {
            locks.push_back({alias, rows.value(0).toString(), rows.value(1).toString(), rows.value(2).toString(),
                             rows.value(3).toString(), rows.value(4).toLongLong(), rows.value(5).toString(),
                             QDateTime::fromString(rows.value(6).toString(), Qt::ISODate)});
        }
    }
    std::stable_sort(locks.begin(), locks.end(), [](const HeldLock &a, const HeldLock &b) { return a.since < b.since; });
    return locks;
}

bool ReleaseLock(DataStore &store, const HeldLock &lock, Prompter &prompter)
{
    if (lock.session == LockIdentity::Current().session) {
        prompter.inform(QStringLiteral("Ese bloqueo es de este mismo programa: se libera al cerrar la ventana que lo usa."));
        return false;
    }
    const QString question =
        QStringLiteral("¿Desea liberar el bloqueo de %1 %2 que tiene el usuario %3 en el equipo %4?\n"
                       "Hágalo solo si el programa de ese equipo ya no está abierto: lo que estuviera cambiando "
                       "podría guardarse sobre los cambios de otro usuario.")
            .arg(lock.table, lock.key, lock.user, lock.host);
    if (!prompter.askYesNo(question, Prompter::Icon::Warning))
        return false;
    QSqlQuery removed = RunSql(store.database(lock.database),
                               QStringLiteral("DELETE FROM Bloqueos WHERE Tabla = ? AND Clave = ? AND Sesion = ?"),
                               {lock.table, lock.key, lock.session});
    return removed.numRowsAffected() > 0;
}
