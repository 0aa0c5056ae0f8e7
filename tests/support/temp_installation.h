#pragma once

#include <QString>
#include <QTemporaryDir>

// The office N.I.F. of test installations.
inline const QString kTestOfficeNif = QStringLiteral("B12345674");

// A fresh installation folder in a temporary directory, seeded from the project's data/
// (seeded once per test program, then copied), with the office's N.I.F. and the producer's
// data filled so that invoices can be issued. Removed when destroyed.
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
