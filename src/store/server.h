#pragma once

#include "core/errors.h"
#include "store/database_engine.h"

#include <QSqlDatabase>

// Why a server could not be used. A password that is needed or refused lets the program ask
// for it and try again; the rest are told as they are.
class ServerError : public AppError
{
public:
    enum class Reason { Unreachable, PasswordNeeded, PasswordRefused, NoDatabase };

    ServerError(Reason reason, QString message, QString detail);
    Reason reason() const noexcept { return m_reason; }
    bool asksPassword() const noexcept { return m_reason == Reason::PasswordNeeded || m_reason == Reason::PasswordRefused; }

private:
    Reason m_reason;
};

// Adds and opens the named QPSQL connection with `schema` as its search path (so the SQL of
// the program keeps its unqualified table names). Throws ServerError naming the server;
// nothing is left registered under `name` then.
QSqlDatabase OpenServerConnection(const DatabaseEngine &engine, const QString &name, const QString &schema);

class Prompter;

// At start: when the server wants a password that ~/.pgpass and PGPASSWORD did not give, asks
// for it (hidden typing) until the server takes it or the user gives up, and keeps it in memory
// for this run. Returns the engine with the password found (unchanged for SQLite, a server that
// needs none, or one that cannot be reached: connecting reports that).
DatabaseEngine AskServerPassword(DatabaseEngine engine, Prompter &prompter);

// Tries the server once (an empty database name is fine): throws ServerError like
// OpenServerConnection.
void CheckServer(const DatabaseEngine &engine);

bool ServerSchemaExists(const QSqlDatabase &db, const QString &schema);
bool ServerSchemaHasTables(const QSqlDatabase &db, const QString &schema);

// Fills a new module schema with the tables of a region's shipped module file (modulo.sqlite):
// the tables the schema lacks (the region's "tipoN" tables) are made with the file's columns.
// One transaction. Throws AppError.
void CopyShippedModule(const QString &moduleFile, const QSqlDatabase &target);
