#include "store/stale_locks.h"

#include "store/record_locks.h"

#include <QDebug>
#include <QDirIterator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

namespace {

int RemoveStaleLocksIn(const QString &file)
{
    const QString name = QStringLiteral("stale-locks-") + QUuid::createUuid().toString(QUuid::Id128);
    int removed = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        // Waits for a program that is writing to the file.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open()) {
            QSqlQuery probe(db);
            if (probe.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Bloqueos'"))
                && probe.next()) {
                probe.finish();
                try {
                    removed = RecordLocks::RemoveStale(db);
                } catch (const AppError &e) {
                    qWarning().noquote() << file << e.message() << e.detail();
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return removed;
}

} // namespace

int RemoveStaleLocksBelow(const QString &dir)
{
    int removed = 0;
    QDirIterator it(dir, {QStringLiteral("*.sqlite")}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        removed += RemoveStaleLocksIn(it.next());
    return removed;
}
