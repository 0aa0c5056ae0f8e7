#include "store/module_seed.h"

#include "core/errors.h"
#include "store/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

[[noreturn]] void BadFile(const QString &path, const QString &detail)
{
    throw AppError(QStringLiteral("Línea no válida en el archivo de datos \"%1\".").arg(path), detail);
}

CsvRow ParseLine(const QString &line, const QString &path)
{
    CsvRow row;
    CsvField field;
    bool inQuotes = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (inQuotes) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                field.text += u'"';
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                field.text += c;
            }
        } else if (c == u'"') {
            inQuotes = true;
            field.quoted = true;
        } else if (c == u',') {
            row.append(field);
            field = {};
        } else {
            field.text += c;
        }
    }
    if (inQuotes)
        BadFile(path, line);
    row.append(field);
    return row;
}

QVariant NumberOrNull(const CsvField &field, const QString &path)
{
    const QString text = field.text.trimmed();
    if (text.isEmpty())
        return {};
    bool ok = false;
    const double value = text.toDouble(&ok); // decimal point in data files
    if (!ok)
        BadFile(path, text);
    return value;
}

// Inserts the rows of a file into a table whose columns are named by the file's header.
void InsertRows(const QSqlDatabase &db, const QString &table, const QList<CsvRow> &rows, const QString &path,
                const QStringList &textColumns)
{
    const CsvRow &header = rows.first();
    QStringList names;
    for (const CsvField &field : header)
        names.append(field.text.trimmed());
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, names.join(QStringLiteral(", ")),
                                 QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    QSqlQuery query = Prepare(db, sql);
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const CsvRow &row = rows.at(r);
        if (row.size() != names.size())
            BadFile(path, QStringLiteral("línea %1").arg(r + 1));
        for (qsizetype c = 0; c < row.size(); ++c) {
            const bool text = row.at(c).quoted || textColumns.contains(names.at(c), Qt::CaseInsensitive);
            if (text)
                query.addBindValue(row.at(c).text.isEmpty() ? QVariant() : QVariant(row.at(c).text));
            else
                query.addBindValue(NumberOrNull(row.at(c), path));
        }
        Exec(query);
    }
}

void CreateTipoTable(const QSqlDatabase &db, const QString &table, const QList<CsvRow> &rows, const QString &path)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    QStringList columns;
    QStringList textColumns;
    const CsvRow &header = rows.first();
    for (qsizetype c = 0; c < header.size(); ++c) {
        const QString column = header.at(c).text.trimmed();
        if (!name.match(column).hasMatch())
            BadFile(path, column);
        bool quoted = false;
        for (qsizetype r = 1; r < rows.size(); ++r)
            quoted = quoted || rows.at(r).value(c).quoted;
        if (c == 0) {
            columns.append(column + QStringLiteral(" INTEGER PRIMARY KEY"));
        } else if (quoted) {
            columns.append(column + QStringLiteral(" TEXT"));
            textColumns.append(column);
        } else if (column.compare(QLatin1String("Tabla"), Qt::CaseInsensitive) == 0) {
            columns.append(column + QStringLiteral(" INTEGER"));
        } else {
            columns.append(column + QLatin1Char(' ') + RealType(db));
        }
    }
    RunSql(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", "))));
    InsertRows(db, table, rows, path, textColumns);
}

} // namespace

QList<CsvRow> ReadCsv(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AppError(QStringLiteral("No se ha podido leer el archivo de datos \"%1\".").arg(path), file.errorString());
    QList<CsvRow> rows;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine());
        while (line.endsWith(u'\n') || line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        // A quoted text may run over several lines.
        while (line.count(u'"') % 2 != 0 && !file.atEnd())
            line += u'\n' + QString::fromUtf8(file.readLine()).remove(u'\r').remove(u'\n');
        rows.append(ParseLine(line, path));
    }
    if (rows.isEmpty())
        BadFile(path, QStringLiteral("sin cabecera"));
    return rows;
}

void LoadModuleText(const QSqlDatabase &modulo, const QString &sourceDir)
{
    Transaction transaction(modulo);
    const QString principal = sourceDir + QStringLiteral("/principal.csv");
    if (QFileInfo::exists(principal))
        InsertRows(modulo, QStringLiteral("principal"), ReadCsv(principal), principal,
                   {QStringLiteral("Titulo"), QStringLiteral("Criterios"), QStringLiteral("Descripcion")});
    const QString tablas = sourceDir + QStringLiteral("/tablas.csv");
    if (QFileInfo::exists(tablas))
        InsertRows(modulo, QStringLiteral("tablas"), ReadCsv(tablas), tablas, {QStringLiteral("NombreTabla")});
    static const QRegularExpression tipo(QStringLiteral("^tipo([0-9]+)\\.csv$"));
    const QStringList files = QDir(sourceDir).entryList({QStringLiteral("tipo*.csv")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        const auto match = tipo.match(file);
        if (!match.hasMatch())
            continue;
        const QString path = sourceDir + QLatin1Char('/') + file;
        CreateTipoTable(modulo, QStringLiteral("tipo") + QString::number(match.captured(1).toInt()), ReadCsv(path), path);
    }
    transaction.commit();
}
