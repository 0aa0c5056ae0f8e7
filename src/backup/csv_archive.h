#pragma once

#include "store/table_copy.h"

#include <QString>

#include <vector>

// One data folder of an installation with its tables: "datos" (Datos), "historia" (Historia)
// or a region module "modulo_madrid" (modulos/madrid). The name is the server's schema.
struct DataSet
{
    QString name;
    QString folder; // below the program folder
    TableSet tables;
};

// The folder of a backup that holds the tables as text, below the program folder.
QString CsvFolderName(); // "Datos/TablasCSV"
QString CsvManifestName(); // "manifiesto.json", inside that folder

struct CsvTable
{
    QString set;
    QString table;
    std::vector<Column> columns;
    qint64 rows = 0;
    QByteArray sha256;
};

// What a folder of tables as text holds, as its manifest says.
struct CsvManifest
{
    int schemaVersion = 0;
    QString engine; // "sqlite" or "postgresql"
    std::vector<std::pair<QString, QString>> sets; // name, folder
    std::vector<CsvTable> tables;
};

// Writes every table of the sets into `folder` as UTF-8 CSV ("<set>/<table>.csv", a header
// of column names, texts quoted, numbers bare, NULL an empty bare field) with the manifest
// (schema version, sets, tables with their columns, row counts and checksums), all read in
// one snapshot (REPEATABLE READ on a server). Throws AppError.
CsvManifest WriteTablesAsCsv(const std::vector<DataSet> &sets, const QString &folder);

// Reads and checks the manifest of a folder written by WriteTablesAsCsv. Throws AppError
// naming `shown` when it is missing, unreadable or of a newer version of the program.
CsvManifest ReadCsvManifest(const QString &folder, const QString &shown);

// Replaces the tables of the target sets (matched by name; a set of the manifest with no
// target is refused) by those of the folder, in one transaction per target connection: every
// table emptied, those missing created, the rows loaded, and counts and checksums compared
// with the manifest before anything is committed. Throws AppError; nothing is changed then.
void LoadTablesFromCsv(const QString &folder, const CsvManifest &manifest, const std::vector<DataSet> &targets,
                       const CopyProgress &progress = {});

// Fields of one CSV record, with whether each was quoted; exposed for tests.
struct CsvRecordField
{
    QString text;
    bool quoted = false;
};
// Splits UTF-8 CSV text into records, keeping every character of a quoted field (line breaks
// and carriage returns included). Throws AppError naming `shown` on an unclosed quote.
std::vector<std::vector<CsvRecordField>> ParseCsv(const QByteArray &text, const QString &shown);
