#pragma once

#include "store/record_locks.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>
#include <vector>

// The clients file (`clientes`) and the contacts address book (`contacto`) share one shape:
// a numbered record, a name searched as typed, text fields of fixed lengths. Each file is
// described once here; the store, the list, the exports, the import and devenix-cli work from
// that description.

enum class FieldType { Text, Memo, Date, Number, Flag };

struct FieldDef
{
    QString name;
    FieldType type = FieldType::Text;
    int maxLength = 0;  // Text: the most characters stored
    QString title;      // column title of the list and of the exports
};

struct TableDef
{
    QString table;
    QString key;         // the record number
    QString nameField;   // the name the list is ordered by (case-insensitive)
    std::vector<FieldDef> fields; // every stored field after the key, in table order
    QStringList listFields;        // the list grid's columns
    QStringList searchFields;      // name, telephone and tax number of the search by content
    QStringList searchWords;       // their label words: "Nombre", "Teléfono", "Nif"
    QString vcardTelField, vcardMobileField, vcardFaxField, vcardEmailField;

    const FieldDef *field(const QString &name) const;
    QString titleOf(const QString &name) const;
};

const TableDef &ClientsFile();
const TableDef &ContactsFile();

// A record as field name -> value; the key is included. Texts are QString, blank fields absent
// or null.
using Record = QVariantMap;

// A field's value as text ("" for null); dates as dd/mm/yyyy, numbers with a decimal comma,
// flags "Sí"/"No" (the form the exports and the list show).
QString FieldText(const Record &record, const FieldDef &field);

// One file of the dbIntereses database. Failures throw StoreError.
class RecordFile
{
public:
    RecordFile(QSqlDatabase db, const TableDef &def);

    const TableDef &def() const { return m_def; }
    QSqlDatabase database() const { return m_db; }

    int count() const;
    bool exists(int number) const;
    std::optional<Record> find(int number) const;
    // Every record in name order (ties by number).
    std::vector<Record> all() const;
    // The last number + 1 (1 for an empty file).
    int nextNumber() const;

    // Stores a new record with the number given, or the next free one when another program
    // took it meanwhile; returns the number stored. Over-long texts throw AppError naming the
    // field. Blank texts are stored as NULL.
    int insert(const Record &record, int number);
    // Stores the fields of an existing record (all of them). Returns false when the record is
    // no longer there.
    bool update(const Record &record);
    void remove(int number);

    RecordLocks locks() const { return RecordLocks(m_db); }
    static QString LockKey(int number) { return QString::number(number); }

    // Throws AppError ("El campo «X» admite como máximo N caracteres.") for an over-long text.
    void checkLengths(const Record &record) const;

private:
    Record recordFrom(const class QSqlQuery &query) const;
    QString selectList() const;

    QSqlDatabase m_db;
    const TableDef &m_def;
};

// The list page's rows in name order. Only the numbers and names are read up front, so that a
// list of tens of thousands opens and repositions as the name is typed at once; the other
// columns are read a page at a time as they are shown, or all at once for a search by content
// or an export.
class RecordList
{
public:
    explicit RecordList(const TableDef &def);

    // Reads the rows again. Throws StoreError.
    void load(const QSqlDatabase &db);
    int size() const { return static_cast<int>(m_rows.size()); }
    int number(int row) const { return m_rows[static_cast<std::size_t>(row)].number; }
    // The text of a list column (the table's listFields) of a row.
    QString cell(int row, int column) const;
    QStringList cells(int row) const;
    // Reads every column of every row now (before walking them all, as an export does).
    void readAll() const;
    const TableDef &def() const { return m_def; }

    // The first row whose name is at or after the text in the name order (case-insensitive
    // for ASCII letters, as the stored index compares); the last row when all sort before it;
    // -1 when the list is empty.
    int nearest(const QString &text) const;
    int rowOfNumber(int number) const; // -1 when absent
    // The first row from `from` on whose list column `column` contains `needle` (compared in
    // lower case); -1 when none does.
    int findContaining(int from, int column, const QString &needle) const;

private:
    struct Row
    {
        int number = 0;
        QString name;
        QByteArray sortKey;
    };

    void readPage(int row) const;

    const TableDef &m_def;
    QSqlDatabase m_db;
    int m_nameColumn = 0;
    std::vector<Row> m_rows;
    mutable std::vector<QStringList> m_cells; // empty until read
    mutable bool m_allRead = false;
};

// The collation key of the name order: UTF-8 with ASCII letters folded, as SQLite's NOCASE.
QByteArray NameSortKey(const QString &name);

// The province of a postal code through the `provincias` table (Id = the first two digits):
// "28001" gives "Madrid". An empty text for a prefix outside 01 to 52; nullopt when the code
// does not begin with two digits (or is empty).
std::optional<QString> ProvinceOfPostalCode(const QSqlDatabase &general, const QString &postalCode);
// The 52 province names in postal-code order, for the drop-down.
QStringList ProvinceNames(const QSqlDatabase &general);
