#pragma once

#include <QSqlDatabase>
#include <QString>

// The three kinds of database file: the main data (Datos), the settlement history (Historia)
// and one fee module per region (modulos/<region>).
enum class DatabaseKind { Datos, Historia, Modulo };

inline constexpr int kSchemaVersion = 3;

// "datos.sqlite", "historia.sqlite", "modulo.sqlite".
QString DatabaseFileName(DatabaseKind kind);

// The schema version of an open database (0: no schema yet); on a server, of the schema of
// its search path.
int SchemaVersion(const QSqlDatabase &db);
// Marks the database with its kind and version (inside the caller's transaction).
void SetSchemaVersion(const QSqlDatabase &db, DatabaseKind kind, int version);

// Reads only: throws AppError naming the file when it is not a database, belongs to another
// program (or is ours of another kind) or comes from a newer version. Call before anything
// writes to the file, so that a refused file is left exactly as it was.
void CheckDatabaseFile(const QSqlDatabase &db, DatabaseKind kind, const QString &filePath);

// Brings a checked file to the current schema version: an empty file gets the schema, an
// older one is upgraded, in one transaction.
void EnsureSchema(const QSqlDatabase &db, DatabaseKind kind, const QString &filePath);
