#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh installation folder in a temporary directory, seeded from the project's data/
// (seeded once per test program, then copied). Removed when destroyed.
class TempInstallation
{
public:
    TempInstallation();

    const QString path() const { return m_dir.path(); }
    QString datos() const { return path() + QStringLiteral("/Datos"); }
    QString historia() const { return path() + QStringLiteral("/Historia"); }
    QString file(const QString &relative) const { return path() + QLatin1Char('/') + relative; }

private:
    QTemporaryDir m_dir;
};

// Copies a folder tree; returns false on the first failure.
bool CopyTree(const QString &from, const QString &to);
// Path of an executable built by the project (devenix-cli, test helpers).
QString BuiltProgram(const QString &name);
