#include "clients/record_file.h"

#include "core/date_text.h"
#include "core/errors.h"
#include "core/number_text.h"
#include "store/sql.h"

#include <QSqlQuery>
#include <QHash>
#include <QSqlRecord>

#include <algorithm>

namespace {

FieldDef Text(const char *name, int length, QString title)
{
    return {QString::fromLatin1(name), FieldType::Text, length, std::move(title)};
}

FieldDef Other(const char *name, FieldType type, QString title = {})
{
    return {QString::fromLatin1(name), type, 0, title.isEmpty() ? QString::fromLatin1(name) : title};
}

TableDef MakeClients()
{
    TableDef def;
    def.table = QStringLiteral("clientes");
    def.key = QStringLiteral("ICodCli");
    def.nameField = QStringLiteral("SNombreCli");
    def.fields = {
        Text("SNombreCli", 70, QStringLiteral("Nombre Cliente")),
        Text("SContacto", 70, QStringLiteral("Contacto")),
        Text("SDomicilioCli", 70, QStringLiteral("Dirección")),
        Text("SPoblacionCli", 40, QStringLiteral("Población")),
        Text("SProvinciaCli", 30, QStringLiteral("Provincia")),
        Text("SCodPostalCli", 5, QStringLiteral("Cód. Postal")),
        Text("SNifCli", 20, QStringLiteral("Nif Cliente")),
        Text("STelefonoCli", 20, QStringLiteral("Teléfono 1")),
        Text("SFaxCli", 20, QStringLiteral("Fax")),
        Text("SMovilCli", 20, QStringLiteral("Móvil")),
        Other("Notas", FieldType::Memo, QStringLiteral("Notas")),
        Text("EMail", 50, QStringLiteral("Correo Electrónico")),
        // Room for an IBAN (24 characters) as well as a CCC (20).
        Text("CuentaBanco", 34, QStringLiteral("Cuenta Bancaria")),
        Text("Telefono2", 20, QStringLiteral("Teléfono 2")),
        Text("Telefono3", 20, QStringLiteral("Teléfono 3")),
        Text("PagWeb", 100, QStringLiteral("Página Web")),
        Text("Nacionalidad", 30, QStringLiteral("Nacionalidad")),
    };
    def.listFields = {QStringLiteral("SNombreCli"), QStringLiteral("EMail"), QStringLiteral("SNifCli"),
                       QStringLiteral("STelefonoCli"), QStringLiteral("SFaxCli"), QStringLiteral("SMovilCli")};
    def.searchFields = {QStringLiteral("SNombreCli"), QStringLiteral("STelefonoCli"), QStringLiteral("SNifCli")};
    def.searchWords = {QStringLiteral("Nombre"), QStringLiteral("Teléfono"), QStringLiteral("Nif")};
    def.vcardTelField = QStringLiteral("STelefonoCli");
    def.vcardMobileField = QStringLiteral("SMovilCli");
    def.vcardFaxField = QStringLiteral("SFaxCli");
    def.vcardEmailField = QStringLiteral("EMail");
    return def;
}

TableDef MakeContacts()
{
    TableDef def;
    def.table = QStringLiteral("contacto");
    def.key = QStringLiteral("CodContacto");
    def.nameField = QStringLiteral("Nombre");
    def.fields = {
        Text("Nombre", 70, QStringLiteral("Nombre")),
        Other("Notas", FieldType::Memo, QStringLiteral("Notas")),
        Text("Domicilio", 70, QStringLiteral("Dirección")),
        Text("Poblacion", 40, QStringLiteral("Población")),
        Text("Provincia", 30, QStringLiteral("Provincia")),
        Text("CodPostal", 10, QStringLiteral("Cód. Postal")),
        Text("Telefono1", 20, QStringLiteral("Telefono1")),
        Text("Telefono2", 20, QStringLiteral("Telefono2")),
        Text("Telefono3", 20, QStringLiteral("Telefono3")),
        Text("Fax", 20, QStringLiteral("Fax")),
        Text("Movil", 20, QStringLiteral("Movil")),
        Text("Nif", 20, QStringLiteral("NIF")),
        Text("Email1", 50, QStringLiteral("Correo Electrónico")),
        Text("Email2", 50, QStringLiteral("Email2")),
        Text("Email3", 50, QStringLiteral("Email3")),
        Text("Email4", 50, QStringLiteral("Email4")),
        Text("Email5", 50, QStringLiteral("Email5")),
        Text("PagWeb", 100, QStringLiteral("Página Web")),
        Text("Nacionalidad", 30, QStringLiteral("Nacionalidad")),
    };
    for (int i = 1; i <= 10; ++i) {
        const QString name = QStringLiteral("Perso%1").arg(i);
        def.fields.push_back({name, FieldType::Text, 100, name});
    }
    for (int i = 1; i <= 3; ++i)
        def.fields.push_back({QStringLiteral("PersoFecha%1").arg(i), FieldType::Date, 0, QStringLiteral("PersoFecha%1").arg(i)});
    for (int i = 1; i <= 5; ++i)
        def.fields.push_back({QStringLiteral("PersoNum%1").arg(i), FieldType::Number, 0, QStringLiteral("PersoNum%1").arg(i)});
    for (int i = 1; i <= 6; ++i)
        def.fields.push_back({QStringLiteral("PersoLogic%1").arg(i), FieldType::Flag, 0, QStringLiteral("PersoLogic%1").arg(i)});
    def.fields.push_back(Other("Codsubusu", FieldType::Number));
    def.listFields = {QStringLiteral("Nombre"), QStringLiteral("Email1"), QStringLiteral("Nif"),
                       QStringLiteral("Telefono1"), QStringLiteral("Fax"), QStringLiteral("Movil")};
    def.searchFields = {QStringLiteral("Nombre"), QStringLiteral("Telefono1"), QStringLiteral("Nif")};
    def.searchWords = {QStringLiteral("Nombre"), QStringLiteral("Teléfono"), QStringLiteral("Nif")};
    def.vcardTelField = QStringLiteral("Telefono1");
    def.vcardMobileField = QStringLiteral("Movil");
    def.vcardFaxField = QStringLiteral("Fax");
    def.vcardEmailField = QStringLiteral("Email1");
    return def;
}

QVariant StoredValue(const Record &record, const FieldDef &field)
{
    const QVariant value = record.value(field.name);
    if (value.isNull() || !value.isValid())
        return QVariant();
    switch (field.type) {
    case FieldType::Text:
    case FieldType::Memo:
        return TextOrNull(value.toString());
    case FieldType::Date:
        return value.typeId() == QMetaType::QDate ? DateOrNull(value.toDate()) : TextOrNull(value.toString());
    case FieldType::Number:
        return value.toDouble();
    case FieldType::Flag:
        return value.toBool() ? 1 : 0;
    }
    return value;
}

} // namespace

const FieldDef *TableDef::field(const QString &name) const
{
    for (const FieldDef &f : fields) {
        if (f.name == name)
            return &f;
    }
    return nullptr;
}

QString TableDef::titleOf(const QString &name) const
{
    const FieldDef *f = field(name);
    return f ? f->title : name;
}

const TableDef &ClientsFile()
{
    static const TableDef def = MakeClients();
    return def;
}

const TableDef &ContactsFile()
{
    static const TableDef def = MakeContacts();
    return def;
}

QString FieldText(const Record &record, const FieldDef &field)
{
    const QVariant value = record.value(field.name);
    if (value.isNull() || !value.isValid())
        return {};
    switch (field.type) {
    case FieldType::Text:
    case FieldType::Memo:
        return value.toString();
    case FieldType::Date:
        return FormatDate(value.typeId() == QMetaType::QDate ? value.toDate() : DateFromIso(value.toString()));
    case FieldType::Number:
        return FormatGeneral(value.toDouble());
    case FieldType::Flag:
        return value.toBool() ? QStringLiteral("Sí") : QStringLiteral("No");
    }
    return {};
}

RecordFile::RecordFile(QSqlDatabase db, const TableDef &def)
    : m_db(std::move(db))
    , m_def(def)
{
}

int RecordFile::count() const
{
    return Scalar(m_db, QStringLiteral("SELECT count(*) FROM ") + m_def.table).toInt();
}

bool RecordFile::exists(int number) const
{
    return Scalar(m_db, QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = ?").arg(m_def.table, m_def.key), {number})
               .toInt()
           > 0;
}

QString RecordFile::selectList() const
{
    QStringList names{m_def.key};
    for (const FieldDef &f : m_def.fields)
        names << f.name;
    return QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + m_def.table;
}

Record RecordFile::recordFrom(const QSqlQuery &query) const
{
    Record record;
    record.insert(m_def.key, query.value(0).toInt());
    int column = 1;
    for (const FieldDef &f : m_def.fields) {
        const QVariant value = query.value(column++);
        if (!value.isNull())
            record.insert(f.name, value);
    }
    return record;
}

std::optional<Record> RecordFile::find(int number) const
{
    QSqlQuery q = RunSql(m_db, selectList() + QStringLiteral(" WHERE %1 = ?").arg(m_def.key), {number});
    if (!q.next())
        return std::nullopt;
    return recordFrom(q);
}

std::vector<Record> RecordFile::all() const
{
    QSqlQuery q = Prepare(m_db, selectList()
                                    + QStringLiteral(" ORDER BY %1, %2").arg(NoCase(m_db, m_def.nameField), m_def.key));
    q.setForwardOnly(true);
    Exec(q);
    std::vector<Record> out;
    while (q.next())
        out.push_back(recordFrom(q));
    return out;
}

int RecordFile::nextNumber() const
{
    return Scalar(m_db, QStringLiteral("SELECT coalesce(max(%1), 0) + 1 FROM %2").arg(m_def.key, m_def.table)).toInt();
}

void RecordFile::checkLengths(const Record &record) const
{
    for (const FieldDef &f : m_def.fields) {
        if (f.type == FieldType::Text && record.value(f.name).toString().size() > f.maxLength)
            throw AppError(QStringLiteral("El campo «%1» admite como máximo %2 caracteres.").arg(f.title).arg(f.maxLength));
    }
}

int RecordFile::insert(const Record &record, int number)
{
    checkLengths(record);
    QStringList names{m_def.key};
    QStringList marks{QStringLiteral("?")};
    for (const FieldDef &f : m_def.fields) {
        names << f.name;
        marks << QStringLiteral("?");
    }
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(m_def.table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    // Another program may have stored the same number since it was proposed: take the next.
    for (;;) {
        QSqlQuery q = Prepare(m_db, sql);
        q.addBindValue(number);
        for (const FieldDef &f : m_def.fields) {
            QVariant value = StoredValue(record, f);
            if (f.name == QLatin1String("Codsubusu") && value.isNull())
                value = 0;
            q.addBindValue(value);
        }
        try {
            Exec(q);
            return number;
        } catch (const StoreError &e) {
            if (e.code() != StoreCode::KeyViolation)
                throw;
            number = std::max(number + 1, nextNumber());
        }
    }
}

bool RecordFile::update(const Record &record)
{
    checkLengths(record);
    QStringList sets;
    for (const FieldDef &f : m_def.fields)
        sets << f.name + QStringLiteral(" = ?");
    QSqlQuery q = Prepare(m_db, QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                    .arg(m_def.table, sets.join(QStringLiteral(", ")), m_def.key));
    for (const FieldDef &f : m_def.fields)
        q.addBindValue(StoredValue(record, f));
    q.addBindValue(record.value(m_def.key).toInt());
    Exec(q);
    return q.numRowsAffected() > 0;
}

void RecordFile::remove(int number)
{
    RunSql(m_db, QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(m_def.table, m_def.key), {number});
}

QByteArray NameSortKey(const QString &name)
{
    QByteArray bytes = name.toUtf8();
    for (char &c : bytes) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return bytes;
}

RecordList::RecordList(const TableDef &def)
    : m_def(def)
    , m_nameColumn(static_cast<int>(def.listFields.indexOf(def.nameField)))
{
}

void RecordList::load(const QSqlDatabase &db)
{
    m_db = db;
    // Read in stored order and sorted here: walking the name index would fetch every row from
    // the table at random.
    QSqlQuery q = Prepare(db, QStringLiteral("SELECT %1, %2 FROM %3").arg(m_def.key, m_def.nameField, m_def.table));
    q.setForwardOnly(true);
    Exec(q);
    std::vector<Row> rows;
    while (q.next()) {
        Row row;
        row.number = q.value(0).toInt();
        row.name = q.value(1).toString();
        row.sortKey = NameSortKey(row.name);
        rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        const int order = a.sortKey.compare(b.sortKey);
        return order != 0 ? order < 0 : a.number < b.number;
    });
    m_rows = std::move(rows);
    m_cells.assign(m_rows.size(), QStringList());
    m_allRead = false;
}

namespace {

constexpr int PageRows = 128;

} // namespace

void RecordList::readPage(int row) const
{
    const int first = std::max(0, row - PageRows / 2);
    const int last = std::min(size(), first + PageRows);
    QHash<int, int> rowOf;
    QStringList marks;
    for (int r = first; r < last; ++r) {
        if (m_cells[static_cast<std::size_t>(r)].isEmpty()) {
            rowOf.insert(number(r), r);
            marks << QStringLiteral("?");
        }
    }
    QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 IN (%4)")
                                    .arg(m_def.key, m_def.listFields.join(QStringLiteral(", ")), m_def.table,
                                         marks.join(QStringLiteral(", "))));
    for (auto it = rowOf.cbegin(); it != rowOf.cend(); ++it)
        q.addBindValue(it.key());
    Exec(q);
    const int columns = static_cast<int>(m_def.listFields.size());
    while (q.next()) {
        QStringList cells;
        cells.reserve(columns);
        for (int c = 0; c < columns; ++c)
            cells.append(q.value(c + 1).toString());
        m_cells[static_cast<std::size_t>(rowOf.value(q.value(0).toInt()))] = std::move(cells);
    }
    // A record another program deleted since the list was read shows its name alone.
    for (auto it = rowOf.cbegin(); it != rowOf.cend(); ++it) {
        QStringList &cells = m_cells[static_cast<std::size_t>(it.value())];
        if (cells.isEmpty()) {
            cells = QStringList(columns, QString());
            cells[m_nameColumn] = m_rows[static_cast<std::size_t>(it.value())].name;
        }
    }
}

void RecordList::readAll() const
{
    if (m_allRead)
        return;
    QHash<int, int> rowOf;
    rowOf.reserve(size());
    for (int r = 0; r < size(); ++r)
        rowOf.insert(number(r), r);
    QSqlQuery q = Prepare(m_db, QStringLiteral("SELECT %1, %2 FROM %3")
                                    .arg(m_def.key, m_def.listFields.join(QStringLiteral(", ")), m_def.table));
    q.setForwardOnly(true);
    Exec(q);
    const int columns = static_cast<int>(m_def.listFields.size());
    while (q.next()) {
        const auto found = rowOf.constFind(q.value(0).toInt());
        if (found == rowOf.cend())
            continue; // stored since the list was read
        QStringList cells;
        cells.reserve(columns);
        for (int c = 0; c < columns; ++c)
            cells.append(q.value(c + 1).toString());
        m_cells[static_cast<std::size_t>(found.value())] = std::move(cells);
    }
    for (int r = 0; r < size(); ++r) {
        QStringList &cells = m_cells[static_cast<std::size_t>(r)];
        if (cells.isEmpty()) {
            cells = QStringList(columns, QString());
            cells[m_nameColumn] = m_rows[static_cast<std::size_t>(r)].name;
        }
    }
    m_allRead = true;
}

QString RecordList::cell(int row, int column) const
{
    if (column == m_nameColumn)
        return m_rows[static_cast<std::size_t>(row)].name;
    return cells(row).at(column);
}

QStringList RecordList::cells(int row) const
{
    if (m_cells[static_cast<std::size_t>(row)].isEmpty())
        readPage(row);
    return m_cells[static_cast<std::size_t>(row)];
}

int RecordList::nearest(const QString &text) const
{
    if (m_rows.empty())
        return -1;
    const QByteArray key = NameSortKey(text);
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), key,
                                     [](const Row &row, const QByteArray &k) { return row.sortKey < k; });
    if (it == m_rows.end())
        return size() - 1;
    return static_cast<int>(it - m_rows.begin());
}

int RecordList::rowOfNumber(int number) const
{
    const auto it = std::find_if(m_rows.begin(), m_rows.end(), [number](const Row &row) { return row.number == number; });
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

int RecordList::findContaining(int from, int column, const QString &needle) const
{
    const QString lowered = needle.toLower();
    if (column != m_nameColumn)
        readAll();
    for (int row = std::max(from, 0); row < size(); ++row) {
        if (cell(row, column).toLower().contains(lowered))
            return row;
    }
    return -1;
}

std::optional<QString> ProvinceOfPostalCode(const QSqlDatabase &general, const QString &postalCode)
{
    const auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (postalCode.size() < 2 || !isDigit(postalCode.at(0)) || !isDigit(postalCode.at(1)))
        return std::nullopt;
    const int prefix = postalCode.left(2).toInt();
    if (prefix < 1 || prefix > 52)
        return QString();
    return Scalar(general, QStringLiteral("SELECT Provincia FROM provincias WHERE Id = ?"), {prefix}).toString();
}

QStringList ProvinceNames(const QSqlDatabase &general)
{
    QStringList names;
    QSqlQuery q = RunSql(general, QStringLiteral("SELECT Provincia FROM provincias WHERE Id BETWEEN 1 AND 52 ORDER BY Id"));
    while (q.next())
        names << q.value(0).toString();
    return names;
}
