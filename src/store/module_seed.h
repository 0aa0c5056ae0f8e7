#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QSqlDatabase;

// One field of a comma-separated text file: its text and whether it was written in quotes
// (quoted fields are texts, bare ones numbers or blanks).
struct CsvField
{
    QString text;
    bool quoted = false;
};
using CsvRow = QList<CsvField>;

// Rows of a UTF-8 comma-separated file with a header row (returned first): fields may be
// quoted with "" for a quote inside. Throws AppError naming the file when it cannot be read or
// a quote is left open.
QList<CsvRow> ReadCsv(const QString &path);

// Fills an open, empty module database (dbModulo) from the text files of a module folder:
// principal.csv, tablas.csv and every tipoN.csv (table "tipoN", first column "id" its key,
// quoted columns as text, the rest as numbers). Files that are absent are skipped. One
// transaction. Throws AppError naming the file.
void LoadModuleText(const QSqlDatabase &modulo, const QString &sourceDir);
