#pragma once

#include <QString>

class IniFile;

// Where an installation keeps its data: SQLite files in its folders (the default, for one
// computer) or schemas of one database on a PostgreSQL server (an office with several seats).
// Read from the [BASEDATOS] section of the installation's settings:
//   MOTOR=sqlite | postgresql, SERVIDOR, PUERTO, BASE, USUARIO.
// The password is never written: libpq finds it in ~/.pgpass or PGPASSWORD, or the program asks
// for it at start and keeps it in memory (RememberPassword).
struct DatabaseEngine
{
    enum class Kind { SQLite, PostgreSQL };

    Kind kind = Kind::SQLite;
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString password; // empty: libpq's own conventions

    bool isServer() const { return kind == Kind::PostgreSQL; }
    // "SERVIDOR:PUERTO/BASE", as messages name the server.
    QString serverText() const;

    // Throws AppError naming the settings file when MOTOR is unknown or a server setting is
    // missing or wrong. A remembered password for the same server is filled in.
    static DatabaseEngine Read(const IniFile &settings);
    // The engine of the installation in folder `installationDir` (its "Devenix.ini").
    static DatabaseEngine ForInstallation(const QString &installationDir);
    void write(IniFile &settings) const;
};

// The password typed for a server in this run, kept in memory only; Read() fills it in.
void RememberPassword(const DatabaseEngine &engine, const QString &password);

// The schema that stands for a data folder on the server: "datos", "historia",
// "modulo_<region folder>" (lower case, anything but letters, digits and "_" as "_").
QString ModuleSchemaName(const QString &regionFolder);
