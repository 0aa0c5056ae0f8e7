#include "clients/record_import.h"

#include "core/date_text.h"
#include "core/number_text.h"
#include "core/spanish_ids.h"
#include "store/sql.h"

#include <QStringDecoder>

namespace {

ImportError LineError(int line, const QString &what)
{
    return ImportError(QStringLiteral("Línea %1: %2").arg(line).arg(what));
}

QString DecodeText(const QByteArray &bytes)
{
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return DecodeWindows1252(body);
}

struct CsvRow
{
    int line = 0; // where the row starts
    QStringList cells;
};

// Splits the text into rows; the separator is the one the header row uses.
std::vector<CsvRow> SplitCsv(const QString &text)
{
    // The header decides: more semicolons than commas outside quotes means semicolons.
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
    }
    const QChar separator = commas > semicolons ? QLatin1Char(',') : QLatin1Char(';');

    std::vector<CsvRow> rows;
    CsvRow row;
    QString cell;
    int line = 1;
    row.line = 1;
    bool inQuotes = false;
    bool wasQuoted = false;   // the current cell was quoted
    bool afterQuote = false;  // the closing quote was read: only a separator or a line end may follow
    bool rowHasContent = false;
    const auto endCell = [&] {
        row.cells.append(wasQuoted ? cell : cell.trimmed());
        cell.clear();
        wasQuoted = false;
        afterQuote = false;
    };
    const auto endRow = [&] {
        endCell();
        if (rowHasContent || row.cells.size() > 1 || !row.cells.first().isEmpty())
            rows.push_back(row);
        row = CsvRow();
        rowHasContent = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    cell.append(c);
                    ++i;
                } else {
                    inQuotes = false;
                    afterQuote = true;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                cell.append(c);
            }
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            endRow();
            ++line;
            row.line = line;
            continue;
        }
        if (c == separator) {
            endCell();
            rowHasContent = true;
            continue;
        }
        if (afterQuote) {
            if (c.isSpace())
                continue;
            throw LineError(row.line, QStringLiteral("hay texto después de unas comillas de cierre."));
        }
        if (c == QLatin1Char('"')) {
            if (!cell.trimmed().isEmpty())
                throw LineError(row.line, QStringLiteral("hay unas comillas en medio de un campo sin entrecomillar."));
            cell.clear();
            inQuotes = true;
            wasQuoted = true;
            rowHasContent = true;
            continue;
        }
        cell.append(c);
    }
    if (inQuotes)
        throw LineError(row.line, QStringLiteral("faltan las comillas de cierre de un campo."));
    if (!cell.isEmpty() || !row.cells.isEmpty() || wasQuoted)
        endRow();
    return rows;
}

QVariant ValueOf(const FieldDef &field, const QString &text, int line)
{
    if (text.isEmpty())
        return {};
    switch (field.type) {
    case FieldType::Text:
        if (text.size() > field.maxLength)
            throw LineError(line, QStringLiteral("el campo «%1» tiene %2 caracteres y admite como máximo %3.")
                                      .arg(field.name)
                                      .arg(text.size())
                                      .arg(field.maxLength));
        return text;
    case FieldType::Memo:
        return text;
    case FieldType::Date: {
        QDate date = ParseDate(text);
        if (!date.isValid())
            date = DateFromIso(text);
        if (!date.isValid())
            throw LineError(line, QStringLiteral("el campo «%1» no es una fecha (dd/mm/aaaa): «%2».").arg(field.name, text));
        return date;
    }
    case FieldType::Number: {
        std::optional<double> number = ParseSpanishNumber(text);
        if (!number) {
            bool ok = false;
            const double value = text.toDouble(&ok);
            if (ok)
                number = value;
        }
        if (!number)
            throw LineError(line, QStringLiteral("el campo «%1» no es un número: «%2».").arg(field.name, text));
        return *number;
    }
    case FieldType::Flag: {
        const QString lowered = text.toLower();
        for (const char *yes : {"sí", "si", "s", "1", "true", "verdadero"}) {
            if (lowered == QString::fromUtf8(yes))
                return true;
        }
        for (const char *no : {"no", "n", "0", "false", "falso"}) {
            if (lowered == QLatin1String(no))
                return false;
        }
        throw LineError(line, QStringLiteral("el campo «%1» debe ser Sí o No: «%2».").arg(field.name, text));
    }
    }
    return {};
}

} // namespace

QString DecodeWindows1252(const QByteArray &bytes)
{
    // 0x80-0x9F; 0 where the code page leaves the byte undefined.
    static const char16_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        if (b >= 0x80 && b <= 0x9F)
            text.append(high[b - 0x80] ? QChar(high[b - 0x80]) : QChar(0xFFFD));
        else
            text.append(QChar(static_cast<char16_t>(b)));
    }
    return text;
}

std::vector<Record> ParseCsvRecords(const TableDef &def, const QByteArray &bytes, std::vector<int> *lines)
{
    const QString text = DecodeText(bytes);
    // Bytes that are not text (a binary file, a spreadsheet saved as .xlsx) stop the import.
    int line = 1;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            ++line;
        else if ((c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\r')) || c.unicode() == 0x7F
                 || c == QChar(0xFFFD))
            throw LineError(line, QStringLiteral("el archivo contiene caracteres que no son texto. "
                                                 "Guárdelo como CSV (texto delimitado)."));
    }
    const std::vector<CsvRow> rows = SplitCsv(text);
    if (rows.empty())
        throw ImportError(QStringLiteral("Línea 1: el archivo está vacío; falta la fila de cabecera."));

    // The header: each column's field, or nullptr for the record number.
    const CsvRow &header = rows.front();
    std::vector<const FieldDef *> columns;
    QStringList seen;
    for (const QString &name : header.cells) {
        const QString wanted = name.trimmed();
        if (wanted.compare(def.key, Qt::CaseInsensitive) == 0) {
            columns.push_back(nullptr);
            continue;
        }
        const FieldDef *match = nullptr;
        for (const FieldDef &f : def.fields) {
            if (wanted.compare(f.name, Qt::CaseInsensitive) == 0 || wanted.compare(f.title, Qt::CaseInsensitive) == 0) {
                match = &f;
                break;
            }
        }
        if (!match)
            throw LineError(header.line, QStringLiteral("la cabecera nombra un campo que no existe: «%1».").arg(wanted));
        if (seen.contains(match->name))
            throw LineError(header.line, QStringLiteral("la cabecera repite el campo «%1».").arg(match->name));
        seen << match->name;
        columns.push_back(match);
    }
    if (seen.isEmpty())
        throw LineError(header.line, QStringLiteral("la cabecera no nombra ningún campo."));

    std::vector<Record> records;
    records.reserve(rows.size() - 1);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const CsvRow &row = rows[r];
        if (row.cells.size() != static_cast<qsizetype>(columns.size()))
            throw LineError(row.line, QStringLiteral("tiene %1 campos y la cabecera %2.")
                                          .arg(row.cells.size())
                                          .arg(columns.size()));
        Record record;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (!columns[c])
                continue;
            const QVariant value = ValueOf(*columns[c], row.cells.at(static_cast<qsizetype>(c)), row.line);
            if (value.isValid())
                record.insert(columns[c]->name, value);
        }
        records.push_back(std::move(record));
        if (lines)
            lines->push_back(row.line);
    }
    return records;
}

ImportOutcome ImportCsv(RecordFile &file, const QByteArray &bytes)
{
    std::vector<int> lines;
    std::vector<Record> records = ParseCsvRecords(file.def(), bytes, &lines);
    ImportOutcome outcome;
    const QString account = QStringLiteral("CuentaBanco");
    if (file.def().field(account)) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            const QString typed = records[i].value(account).toString();
            if (typed.isEmpty())
                continue;
            records[i].insert(account, NormalizeBankAccount(typed));
            const QString message = BankAccountMessage(typed);
            if (!message.isEmpty())
                outcome.warnings << QStringLiteral("Línea %1: %2").arg(lines[i]).arg(message.trimmed());
        }
    }
    Transaction transaction(file.database());
    for (const Record &record : records)
        file.insert(record, file.nextNumber());
    transaction.commit();
    outcome.stored = static_cast<int>(records.size());
    return outcome;
}
