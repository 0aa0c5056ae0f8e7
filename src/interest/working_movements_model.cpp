#include "interest/working_movements_model.h"

#include "core/date_text.h"
#include "core/number_text.h"
#include "interest/settlement_checks.h"
#include "interest/working_movements.h"
#include "store/data_store.h"
#include "store/sql.h"

#include <QSqlRecord>

#include <algorithm>
#include <cmath>

namespace {

Movement MovementOf(const QSqlRecord &values)
{
    return {DateFromIso(values.value(QStringLiteral("Fecha")).toString()),
            values.value(QStringLiteral("Importe")).toDouble(),
            values.value(QStringLiteral("Tipo")).toString()};
}

std::optional<QVariant> AmountValue(const QVariant &value)
{
    if (value.isNull())
        return QVariant(QMetaType::fromType<double>());
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int
        || value.typeId() == QMetaType::LongLong) {
        const double amount = value.toDouble();
        return std::isfinite(amount) ? std::optional<QVariant>(amount) : std::nullopt;
    }
    QString text = value.toString().trimmed();
    text.remove(QLatin1Char('.'));
    if (text.isEmpty())
        return QVariant(QMetaType::fromType<double>());
    const auto amount = ParseSpanishNumber(text);
    if (!amount || !std::isfinite(*amount))
        return std::nullopt;
    return QVariant(*amount);
}

std::optional<QVariant> DateValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDate) {
        const QDate date = value.toDate();
        return date.isValid() ? std::optional<QVariant>(DateToIso(date)) : std::nullopt;
    }
    const QString text = value.toString();
    // The grid's mask leaves separators and blanks in an untouched date.
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return QVariant(QMetaType::fromType<QString>());
    const QDate date = ParseDate(text);
    if (!date.isValid())
        return std::nullopt;
    return QVariant(DateToIso(date));
}

} // namespace

WorkingMovementsModel::WorkingMovementsModel(QSqlDatabase db, const QString &kind, QObject *parent)
    : QSqlTableModel(parent, db)
    , m_kind(kind == EntryKind ? EntryKind : PaymentKind)
{
    setTable(ModelTableName(db, DataStore::WorkingMovementsTable()));
    setEditStrategy(OnManualSubmit);
    m_fecha = fieldIndex(QStringLiteral("Fecha"));
    m_importe = fieldIndex(QStringLiteral("Importe"));
    m_tipo = fieldIndex(QStringLiteral("Tipo"));
    // A constant of the program, not a user's value.
    setFilter(m_kind == EntryKind ? QStringLiteral("Tipo = 'E'") : QStringLiteral("Tipo = 'P'"));
    setSort(m_fecha, Qt::AscendingOrder);
    select();
}

int WorkingMovementsModel::appendMovement(const QDate &date, const QString &kind)
{
    const int row = rowCount();
    if (!insertRow(row))
        return -1;
    QSqlTableModel::setData(index(row, m_fecha), DateToIso(date));
    QSqlTableModel::setData(index(row, m_tipo), kind == EntryKind ? EntryKind : PaymentKind);
    return row;
}

int WorkingMovementsModel::rowOfDate(const QDate &date) const
{
    const QString iso = DateToIso(date);
    for (int row = 0; row < rowCount(); ++row) {
        if (QSqlTableModel::data(index(row, m_fecha), Qt::EditRole).toString() == iso)
            return row;
    }
    return -1;
}

QDate WorkingMovementsModel::dateAt(int row) const
{
    return DateFromIso(QSqlTableModel::data(index(row, m_fecha), Qt::EditRole).toString());
}

bool WorkingMovementsModel::rowIsPending(int row) const
{
    for (int column = 0; column < columnCount(); ++column) {
        if (isDirty(index(row, column)))
            return true;
    }
    return false;
}

bool WorkingMovementsModel::rowIsNew(int row) const
{
    // A row not stored yet has no stored key.
    return row >= 0 && row < rowCount() && primaryValues(row).value(QStringLiteral("Fecha")).isNull();
}

QString WorkingMovementsModel::lastFailureMessage() const
{
    switch (m_failure) {
    case Failure::None:
        return {};
    case Failure::DuplicateDate:
        return DuplicateMovementMessage;
    case Failure::MissingDate:
        return QStringLiteral("Es necesario introducir la fecha del movimiento.");
    case Failure::MissingAmount:
        return QStringLiteral("Es necesario introducir el importe del movimiento.");
    case Failure::RefusedDate:
    case Failure::RefusedAmount:
    case Failure::Other:
        break;
    }
    return m_failureDetail;
}

QVariant WorkingMovementsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    if (role == Qt::TextAlignmentRole && column == m_importe)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    // The edit role stays the stored value: the base class reads records through it.
    if (role != Qt::DisplayRole && role != EditTextRole)
        return QSqlTableModel::data(index, role);
    const QVariant raw = QSqlTableModel::data(index, Qt::EditRole);
    if (column == m_fecha)
        return FormatDate(DateFromIso(raw.toString()));
    if (column == m_importe) {
        if (raw.isNull())
            return QString();
        return role == Qt::DisplayRole ? FormatThousands2(raw.toDouble()) : FormatGeneral(raw.toDouble());
    }
    return raw;
}

bool WorkingMovementsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    std::optional<QVariant> stored = value;
    m_refusal.clear();
    if (index.column() == m_fecha)
        stored = DateValue(value);
    else if (index.column() == m_importe)
        stored = AmountValue(value);
    if (!stored)
        return false;
    if (const auto refusal = ValueRefusal(index.column(), *stored)) {
        m_refusal = *refusal;
        return false;
    }
    return QSqlTableModel::setData(index, *stored, role);
}

QVariant WorkingMovementsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        if (section == m_fecha)
            return m_dateTitle.isEmpty() ? QStringLiteral("Fecha") : m_dateTitle;
        if (section == m_importe)
            return QStringLiteral("Importe");
    }
    return QSqlTableModel::headerData(section, orientation, role);
}

std::optional<QString> WorkingMovementsModel::ValueRefusal(int column, const QVariant &stored) const
{
    if (stored.isNull())
        return std::nullopt;
    if (column == m_fecha)
        return MovementDateRefusal(DateFromIso(stored.toString()));
    if (column == m_importe)
        return MovementAmountRefusal(stored.toDouble());
    return std::nullopt;
}

std::optional<QString> WorkingMovementsModel::missingField(const QSqlRecord &values)
{
    if (values.value(QStringLiteral("Fecha")).toString().isEmpty()) {
        m_failure = Failure::MissingDate;
        return QStringLiteral("Fecha");
    }
    if (values.value(QStringLiteral("Importe")).isNull()) {
        m_failure = Failure::MissingAmount;
        return QStringLiteral("Importe");
    }
    // Values set in code bypass setData's checks; a refused one never reaches the table.
    const Movement movement = MovementOf(values);
    if (const auto refusal = MovementDateRefusal(movement.date)) {
        m_failure = Failure::RefusedDate;
        m_failureDetail = *refusal;
        return QStringLiteral("Fecha");
    }
    if (const auto refusal = MovementAmountRefusal(movement.amount)) {
        m_failure = Failure::RefusedAmount;
        m_failureDetail = *refusal;
        return QStringLiteral("Importe");
    }
    return std::nullopt;
}

template<class Post>
bool WorkingMovementsModel::posting(Post post)
{
    try {
        post();
        m_failure = Failure::None;
        return true;
    } catch (const StoreError &e) {
        m_failure = e.code() == StoreCode::KeyViolation ? Failure::DuplicateDate : Failure::Other;
        m_failureDetail = e.message();
    } catch (const AppError &e) {
        m_failure = Failure::Other;
        m_failureDetail = e.message();
    }
    return false;
}

bool WorkingMovementsModel::insertRowIntoTable(const QSqlRecord &values)
{
    if (missingField(values))
        return false;
    Movement movement = MovementOf(values);
    if (movement.kind.isEmpty())
        movement.kind = m_kind;
    return posting([&] { AddWorkingMovement(database(), movement); });
}

bool WorkingMovementsModel::updateRowInTable(int row, const QSqlRecord &values)
{
    if (missingField(values))
        return false;
    const QDate oldDate = DateFromIso(primaryValues(row).value(QStringLiteral("Fecha")).toString());
    return posting([&] { UpdateWorkingMovement(database(), oldDate, MovementOf(values)); });
}

bool WorkingMovementsModel::deleteRowFromTable(int row)
{
    const QDate date = DateFromIso(primaryValues(row).value(QStringLiteral("Fecha")).toString());
    return posting([&] { DeleteWorkingMovement(database(), date); });
}
