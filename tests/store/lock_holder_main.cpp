// lock_holder DATOS TABLE KEY: another running program for the lock tests. Takes the lock,
// prints "BLOQUEADO" and "SESION <server backend pid or 0>", and releases it when a line "soltar" arrives on standard input.
#include "store/data_store.h"
#include "store/record_locks.h"
#include "store/sql.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 2;
    DataStore store;
    store.setPath(Alias::Devenix, args.at(1));
    try {
        store.connect(Alias::Devenix);
        RecordLocks locks(store.database(Alias::Devenix));
        locks.lock(args.at(2), args.at(3));
        std::puts("BLOQUEADO");
        // On a server, the session that holds the lock, so a test can wait for it to end.
        const QSqlDatabase db = store.database(Alias::Devenix);
        std::printf("SESION %lld\n", IsServer(db) ? Scalar(db, QStringLiteral("SELECT pg_backend_pid()")).toLongLong() : 0LL);
        std::fflush(stdout);
        std::string line;
        while (std::getline(std::cin, line)) {
            if (line == "soltar") {
                locks.unlock(args.at(2), args.at(3));
                std::puts("SOLTADO");
                std::fflush(stdout);
            }
        }
    } catch (const AppError &e) {
        const auto *failure = dynamic_cast<const StoreError *>(&e);
        std::printf("ERROR %d %s\n", failure ? static_cast<int>(failure->code()) : 0, e.message().toUtf8().constData());
        return 1;
    }
    return 0;
}
