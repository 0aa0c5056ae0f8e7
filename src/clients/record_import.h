#pragma once

#include "clients/record_file.h"
#include "core/errors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// A CSV file that cannot be imported; the message names the line ("Línea 7: ...").
class ImportError : public AppError
{
public:
    using AppError::AppError;
};

// The rows of a CSV file brought in from another program: UTF-8 (with or without a byte-order
// mark) or Windows-1252, fields separated by semicolons or commas (whichever the header row
// uses), quoted fields with "" for a quote and line breaks inside. The header row names the
// fields, by their stored name ("SNombreCli") or their title ("Nombre Cliente"), in any case;
// the record number, if present, is ignored. Blank lines are skipped. Throws ImportError for a
// wrong header, broken quoting, a row of another width, an over-long field, a value of the
// wrong kind (date, number, flag) or bytes that are not text; nothing is read then.
// `lines`, when given, receives the line each record starts on.
std::vector<Record> ParseCsvRecords(const TableDef &def, const QByteArray &bytes, std::vector<int> *lines = nullptr);

struct ImportOutcome
{
    int stored = 0;
    // Accounts whose control digits are wrong: stored as typed, as the window does, and told
    // ("Línea 4: los dígitos de control no son válidos, ...").
    QStringList warnings;
};

// Parses and stores every row as a new record with the next number, all in one transaction:
// either every row is stored or none. Bank accounts are stored without the blanks and dashes
// typed between groups. Throws ImportError.
ImportOutcome ImportCsv(RecordFile &file, const QByteArray &bytes);

// Text of a file in Windows-1252 (the 0x80-0x9F range as that code page has it).
QString DecodeWindows1252(const QByteArray &bytes);
