#include "store/lock_conflict.h"

#include "core/prompter.h"
#include "store/record_locks.h"

QString LockMessage(const QString &beginning, const QString &user)
{
    return beginning + QLatin1Char('"') + user + QLatin1Char('"') + QStringLiteral(". Inténtelo más tarde.");
}

bool LockConflict(Prompter &prompter, const QString &beginning, const std::function<void()> &begin,
                  const std::function<void()> &refresh, bool reportLockedHere)
{
    try {
        begin();
        return true;
    } catch (const StoreError &e) {
        switch (e.code()) {
        case StoreCode::DeletedByOther:
            if (refresh)
                refresh();
            return false;
        case StoreCode::LockedByOther:
        case StoreCode::TableBusy:
        case StoreCode::TableLocked:
            prompter.inform(LockMessage(beginning, LockUserName(e.message())));
            return false;
        case StoreCode::AlreadyLockedHere:
            if (!reportLockedHere)
                throw;
            prompter.inform(QStringLiteral("Este registro ya está siendo usado dentro de la ejecución del programa."));
            return false;
        default:
            throw;
        }
    }
}
