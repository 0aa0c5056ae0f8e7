#pragma once

#include "clients/record_file.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Rows of text under a header, as written to a workbook, the clipboard or a CSV file.
struct ExportTable
{
    QStringList headers;
    std::vector<QStringList> rows;
};

// The list page's columns, in its order, under the grid's titles.
ExportTable ListTable(const RecordList &list, const QStringList &titles);
// Every field (the number first), under the field names, so that the file can be imported back.
ExportTable FullTable(const TableDef &def, const std::vector<Record> &records);

// A real .xlsx workbook: one sheet, a bold header row, column widths from the contents, every
// cell written as text (so numbers with leading zeros, such as postal codes, keep them).
// Throws AppError when the file cannot be written.
void WriteXlsx(const QString &path, const ExportTable &table, const QString &sheetName);

// Tab-separated lines (header first) that paste into a spreadsheet as columns; tabs and line
// breaks inside a cell become blanks.
QString TsvText(const ExportTable &table);

// Semicolon-separated UTF-8 with a byte-order mark, quoted where needed (what a Spanish
// spreadsheet opens directly, and what `importar` reads back).
QByteArray CsvBytes(const ExportTable &table);

// vCard 4.0, one card per record, UTF-8, CRLF line ends, lines folded at 75 octets:
// FN/N, ORG for a client's contact person, ADR, TEL (work, cell, fax), EMAIL (every address of
// a contact, the default first), URL, NOTE.
QByteArray VCards(const TableDef &def, const std::vector<Record> &records);

// Writes bytes to a file, replacing it only once complete. Throws AppError.
void WriteFileAtomically(const QString &path, const QByteArray &bytes);
