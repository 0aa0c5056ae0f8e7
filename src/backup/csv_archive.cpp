#include "backup/csv_archive.h"

#include "core/errors.h"
#include "store/schema.h"
#include "store/sql.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSqlError>

namespace {

constexpr int kFormat = 1;

QString KindName(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::Integer:
        return QStringLiteral("entero");
    case ColumnKind::Real:
        return QStringLiteral("real");
    case ColumnKind::Text:
        return QStringLiteral("texto");
    case ColumnKind::Blob:
        return QStringLiteral("binario");
    }
    return {};
}

ColumnKind KindFromName(const QString &name)
{
    if (name == QLatin1String("entero"))
        return ColumnKind::Integer;
    if (name == QLatin1String("real"))
        return ColumnKind::Real;
    if (name == QLatin1String("binario"))
        return ColumnKind::Blob;
    return ColumnKind::Text;
}

QByteArray Quoted(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

QByteArray Field(const QSqlQuery &query, int i)
{
    if (query.isNull(i))
        return {};
    const QVariant value = query.value(i);
    const QString text = CanonicalValue(value).toString();
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Float:
    case QMetaType::Double:
        return text.toUtf8();
    default:
        return Quoted(text);
    }
}

[[noreturn]] void Unreadable(const QString &shown, const QString &detail)
{
    throw AppError(QStringLiteral("Los datos de la copia de seguridad \"%1\" no se pueden leer.").arg(shown), detail);
}

QString FileOf(const CsvTable &table)
{
    return table.set + QLatin1Char('/') + table.table + QStringLiteral(".csv");
}

void WriteTable(const DataSet &set, const QString &table, const std::vector<Column> &columns, const QString &path)
{
    QStringList names;
    QByteArray out;
    for (const Column &c : columns)
        names.append(c.name);
    out += names.join(QLatin1Char(',')).toUtf8() + '\n';
    QSqlQuery query = Prepare(set.tables.db,
        QStringLiteral("SELECT %1 FROM %2").arg(names.join(QStringLiteral(", ")), set.tables.qualified(table)));
    query.setForwardOnly(true);
    Exec(query);
    while (query.next()) {
        for (int i = 0; i < names.size(); ++i) {
            if (i > 0)
                out += ',';
            out += Field(query, i);
        }
        out += '\n';
    }
    if (query.lastError().isValid())
        throw AppError(QStringLiteral("No se ha podido leer la tabla \"%1\" de %2.").arg(table, set.tables.label),
                       query.lastError().text());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit())
        throw AppError(QStringLiteral("No se ha podido escribir \"%1\".").arg(QDir::toNativeSeparators(path)),
                       file.errorString());
}

QVariant Bound(const CsvRecordField &field, ColumnKind kind, bool *ok)
{
    *ok = true;
    if (field.quoted) {
        if (kind == ColumnKind::Blob && field.text.startsWith(u'x'))
            return QByteArray::fromHex(field.text.mid(1).toLatin1());
        // A null text would be bound as NULL: "" is a value of its own.
        return field.text.isNull() ? QStringLiteral("") : field.text;
    }
    if (field.text.isEmpty())
        return QVariant(QMetaType::fromType<QString>());
    if (kind == ColumnKind::Integer) {
        const qlonglong whole = field.text.toLongLong(ok);
        if (*ok)
            return whole;
    }
    return field.text.toDouble(ok);
}

qint64 LoadTable(const QString &path, const QString &shown, const CsvTable &table, const TableSet &target,
                 const QString &targetTable)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Unreadable(shown, path + QStringLiteral(": ") + file.errorString());
    const auto records = ParseCsv(file.readAll(), shown);
    if (records.empty() || records.front().size() != table.columns.size())
        Unreadable(shown, path + QStringLiteral(": cabecera"));
    QStringList names;
    for (const Column &c : table.columns)
        names.append(c.name);
    RowInserter insert(target, targetTable, names);
    QVariantList row;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const auto &record = records[r];
        if (record.size() != table.columns.size())
            Unreadable(shown, QStringLiteral("%1: fila %2").arg(path).arg(r + 1));
        row.clear();
        for (std::size_t c = 0; c < record.size(); ++c) {
            bool ok = true;
            row.append(Bound(record[c], table.columns[c].kind, &ok));
            if (!ok)
                Unreadable(shown, QStringLiteral("%1: fila %2, columna %3").arg(path).arg(r + 1).arg(table.columns[c].name));
        }
        insert.add(row);
    }
    insert.finish();
    return static_cast<qint64>(records.size()) - 1;
}

} // namespace

QString CsvFolderName()
{
    return QStringLiteral("Datos/TablasCSV");
}

QString CsvManifestName()
{
    return QStringLiteral("manifiesto.json");
}

CsvManifest WriteTablesAsCsv(const std::vector<DataSet> &sets, const QString &folder)
{
    std::vector<QSqlDatabase> connections;
    for (const DataSet &set : sets)
        connections.push_back(set.tables.db);
    ReadSnapshot snapshot(connections);

    CsvManifest manifest;
    manifest.schemaVersion = kSchemaVersion;
    manifest.engine = !sets.empty() && sets.front().tables.isServer() ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
    QJsonArray setsJson;
    QJsonArray tablesJson;
    for (const DataSet &set : sets) {
        if (!QDir().mkpath(folder + QLatin1Char('/') + set.name))
            throw AppError(QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(QDir::toNativeSeparators(folder)));
        manifest.sets.emplace_back(set.name, set.folder);
        setsJson.append(QJsonObject{{QStringLiteral("nombre"), set.name}, {QStringLiteral("carpeta"), set.folder}});
        for (const QString &table : ListTables(set.tables)) {
            CsvTable entry{set.name, table.toLower(), TableColumns(set.tables, table), 0, {}};
            WriteTable(set, table, entry.columns, folder + QLatin1Char('/') + FileOf(entry));
            const TableCheck check = CheckTable(set.tables, table);
            entry.rows = check.rows;
            entry.sha256 = check.sha256;
            QJsonArray columns;
            for (const Column &c : entry.columns)
                columns.append(QJsonObject{{QStringLiteral("nombre"), c.name},
                                           {QStringLiteral("tipo"), KindName(c.kind)},
                                           {QStringLiteral("clave"), c.primaryKey}});
            tablesJson.append(QJsonObject{{QStringLiteral("conjunto"), entry.set},
                                          {QStringLiteral("tabla"), entry.table},
                                          {QStringLiteral("archivo"), FileOf(entry)},
                                          {QStringLiteral("filas"), entry.rows},
                                          {QStringLiteral("sha256"), QString::fromLatin1(entry.sha256)},
                                          {QStringLiteral("columnas"), columns}});
            manifest.tables.push_back(std::move(entry));
        }
    }
    const QJsonObject root{{QStringLiteral("formato"), kFormat},
                           {QStringLiteral("version"), manifest.schemaVersion},
                           {QStringLiteral("motor"), manifest.engine},
                           {QStringLiteral("conjuntos"), setsJson},
                           {QStringLiteral("tablas"), tablesJson}};
    QSaveFile file(folder + QLatin1Char('/') + CsvManifestName());
    const QByteArray json = QJsonDocument(root).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit())
        throw AppError(QStringLiteral("No se ha podido escribir \"%1\".").arg(QDir::toNativeSeparators(file.fileName())),
                       file.errorString());
    return manifest;
}

CsvManifest ReadCsvManifest(const QString &folder, const QString &shown)
{
    QFile file(folder + QLatin1Char('/') + CsvManifestName());
    if (!file.open(QIODevice::ReadOnly))
        Unreadable(shown, file.errorString());
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll(), &error).object();
    if (error.error != QJsonParseError::NoError || root.value(QStringLiteral("formato")).toInt() < 1)
        Unreadable(shown, error.errorString());
    CsvManifest manifest;
    manifest.schemaVersion = root.value(QStringLiteral("version")).toInt();
    manifest.engine = root.value(QStringLiteral("motor")).toString();
    if (root.value(QStringLiteral("formato")).toInt() > kFormat || manifest.schemaVersion > kSchemaVersion)
        throw AppError(QStringLiteral("La copia de seguridad \"%1\" es de una versión más reciente de Cuantix. "
                                      "Actualice el programa para restaurarla.").arg(shown));
    for (const QJsonValue &v : root.value(QStringLiteral("conjuntos")).toArray()) {
        const QJsonObject set = v.toObject();
        manifest.sets.emplace_back(set.value(QStringLiteral("nombre")).toString(),
                                   set.value(QStringLiteral("carpeta")).toString());
    }
    for (const QJsonValue &v : root.value(QStringLiteral("tablas")).toArray()) {
        const QJsonObject t = v.toObject();
        CsvTable table{t.value(QStringLiteral("conjunto")).toString(), t.value(QStringLiteral("tabla")).toString(), {},
                       t.value(QStringLiteral("filas")).toInteger(), t.value(QStringLiteral("sha256")).toString().toLatin1()};
        for (const QJsonValue &c : t.value(QStringLiteral("columnas")).toArray()) {
            const QJsonObject column = c.toObject();
            table.columns.push_back({column.value(QStringLiteral("nombre")).toString(),
                                     KindFromName(column.value(QStringLiteral("tipo")).toString()),
                                     column.value(QStringLiteral("clave")).toBool()});
        }
        if (t.value(QStringLiteral("archivo")).toString() != FileOf(table) || table.columns.empty())
            Unreadable(shown, QStringLiteral("manifiesto: ") + table.table);
        manifest.tables.push_back(std::move(table));
    }
    return manifest;
}

void LoadTablesFromCsv(const QString &folder, const CsvManifest &manifest, const std::vector<DataSet> &targets,
                       const CopyProgress &progress)
{
    QHash<QString, const DataSet *> byName;
    std::vector<QSqlDatabase> connections;
    for (const DataSet &set : targets) {
        byName.insert(set.name, &set);
        connections.push_back(set.tables.db);
    }
    for (const auto &[name, setFolder] : manifest.sets) {
        if (!byName.contains(name))
            throw AppError(QStringLiteral("La copia de seguridad contiene los datos de \"%1\", que esta instalación no "
                                          "tiene.").arg(setFolder));
    }
    WriteTransactions transactions(connections);
    // The installation's tables become those of the backup: each emptied first.
    QHash<QString, QHash<QString, QString>> existing; // set, lower-case name -> name
    for (const DataSet &set : targets) {
        for (const QString &table : ListTables(set.tables)) {
            existing[set.name].insert(table.toLower(), table);
            ClearTable(set.tables, table);
        }
    }
    const QString shown = QDir::toNativeSeparators(folder);
    for (const CsvTable &table : manifest.tables) {
        const DataSet &set = *byName.value(table.set);
        QString targetTable = existing.value(set.name).value(table.table);
        if (targetTable.isEmpty()) {
            targetTable = table.table;
            CreateTable(set.tables, targetTable, table.columns);
        }
        const qint64 rows = LoadTable(folder + QLatin1Char('/') + FileOf(table), shown, table, set.tables, targetTable);
        const TableCheck check = CheckTable(set.tables, targetTable);
        // A backup of an older schema lacks the columns added since: only its rows can be compared.
        const bool sameSchema = manifest.schemaVersion == kSchemaVersion;
        if (rows != table.rows || check.rows != table.rows || (sameSchema && check.sha256 != table.sha256))
            throw AppError(QStringLiteral("Los datos de la tabla \"%1\" de la copia de seguridad no coinciden con su "
                                          "suma de control.").arg(table.table),
                           QStringLiteral("%1.%2: %3 filas, %4 esperadas")
                               .arg(set.tables.label, targetTable)
                               .arg(check.rows)
                               .arg(table.rows));
        if (progress)
            progress(QStringLiteral("Restaurada la tabla %1 de %2: %3 filas.").arg(table.table, set.folder).arg(rows));
    }
    transactions.commit();
}

std::vector<std::vector<CsvRecordField>> ParseCsv(const QByteArray &bytes, const QString &shown)
{
    const QString text = QString::fromUtf8(bytes);
    std::vector<std::vector<CsvRecordField>> records;
    std::vector<CsvRecordField> record;
    CsvRecordField field;
    bool inQuotes = false;
    bool atFieldStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field.text += u'"';
                ++i;
            } else if (c == u'"') {
                inQuotes = false;
            } else {
                field.text += c;
            }
        } else if (c == u'"' && atFieldStart) {
            inQuotes = true;
            field.quoted = true;
            atFieldStart = false;
        } else if (c == u',') {
            record.push_back(std::exchange(field, {}));
            atFieldStart = true;
        } else if (c == u'\n') {
            record.push_back(std::exchange(field, {}));
            records.push_back(std::exchange(record, {}));
            atFieldStart = true;
        } else {
            field.text += c;
            atFieldStart = false;
        }
    }
    if (inQuotes)
        Unreadable(shown, QStringLiteral("comillas sin cerrar"));
    if (!atFieldStart || !record.empty()) {
        record.push_back(field);
        records.push_back(record);
    }
    return records;
}
