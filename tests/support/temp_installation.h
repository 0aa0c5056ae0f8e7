#pragma once

#include "store/database_engine.h"

#include <QString>
#include <QTemporaryDir>

#include <optional>

// The office N.I.F. of test installations.
inline const QString kTestOfficeNif = QStringLiteral("B12345674");

// A fresh installation folder in a temporary directory, seeded from the project's data/
// (seeded once per test program, then copied), with the office's N.I.F. and the producer's
// data filled so that invoices can be issued. Removed when destroyed. In the "pg." run of a
// test program its data are a fresh database of the test server, named in its Devenix.ini.
class TempInstallation
{
public:
    TempInstallation();
    ~TempInstallation();
    TempInstallation(const TempInstallation &) = delete;
    TempInstallation &operator=(const TempInstallation &) = delete;

    // The server database of the installation in the "pg." run, else nothing.
    const std::optional<DatabaseEngine> &engine() const { return m_engine; }

    const QString path() const { return m_dir.path(); }
    QString datos() const { return path() + QStringLiteral("/Datos"); }
    QString historia() const { return path() + QStringLiteral("/Historia"); }
    QString file(const QString &relative) const { return path() + QLatin1Char('/') + relative; }

private:
    QTemporaryDir m_dir;
    std::optional<DatabaseEngine> m_engine;
};

// Copies a folder tree; returns false on the first failure.
bool CopyTree(const QString &from, const QString &to);
// Path of an executable built by the project (devenix-cli, test helpers).
QString BuiltProgram(const QString &name);
