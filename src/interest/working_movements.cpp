#include "interest/working_movements.h"

#include "core/amount_limit.h"
#include "core/date_text.h"
#include "core/errors.h"
#include "interest/settlement_checks.h"
#include "store/sql.h"

namespace {

QDate LastDayOfMonth(int year, int month)
{
    const QDate first(year, month, 1);
    return QDate(year, month, first.daysInMonth());
}

QDate SeriesDate(const PeriodicSeries &series, int year, int month)
{
    switch (series.day) {
    case PeriodicSeries::Day::First:
        return {year, month, 1};
    case PeriodicSeries::Day::Last:
        return LastDayOfMonth(year, month);
    case PeriodicSeries::Day::Fifteenth:
        return {year, month, 15};
    case PeriodicSeries::Day::Number:
        break;
    }
    const QDate typed(year, month, series.dayNumber);
    return typed.isValid() ? typed : LastDayOfMonth(year, month);
}

QVariant KindValue(const Movement &movement)
{
    return movement.kind == EntryKind ? EntryKind : PaymentKind;
}

} // namespace

std::vector<Movement> LoadWorkingMovements(const QSqlDatabase &db)
{
    QSqlQuery query = RunSql(db, QStringLiteral("SELECT Fecha, Importe, Tipo FROM Pagos ORDER BY Fecha"));
    std::vector<Movement> movements;
    while (query.next()) {
        movements.push_back({DateFromIso(query.value(0).toString()), query.value(1).toDouble(),
                             query.value(2).toString() == EntryKind ? EntryKind : PaymentKind});
    }
    return movements;
}

int CountWorkingMovements(const QSqlDatabase &db, const QString &kind)
{
    return Scalar(db, QStringLiteral("SELECT count(*) FROM Pagos WHERE Tipo = ?"), {kind}).toInt();
}

void AddWorkingMovement(const QSqlDatabase &db, const Movement &movement)
{
    RunSql(db, QStringLiteral("INSERT INTO Pagos (Fecha, Importe, Tipo) VALUES (?, ?, ?)"),
           {DateToIso(movement.date), movement.amount, KindValue(movement)});
}

void UpdateWorkingMovement(const QSqlDatabase &db, const QDate &oldDate, const Movement &movement)
{
    QSqlQuery query = RunSql(db, QStringLiteral("UPDATE Pagos SET Fecha = ?, Importe = ?, Tipo = ? WHERE Fecha = ?"),
                             {DateToIso(movement.date), movement.amount, KindValue(movement), DateToIso(oldDate)});
    if (query.numRowsAffected() == 0)
        throw StoreError(StoreCode::DeletedByOther, QStringLiteral("El movimiento ya no existe."), DateToIso(oldDate));
}

void DeleteWorkingMovement(const QSqlDatabase &db, const QDate &date)
{
    RunSql(db, QStringLiteral("DELETE FROM Pagos WHERE Fecha = ?"), {DateToIso(date)});
}

void DeleteWorkingMovementsOfKind(const QSqlDatabase &db, const QString &kind)
{
    RunSql(db, QStringLiteral("DELETE FROM Pagos WHERE Tipo = ?"), {kind});
}

void ReplaceWorkingMovements(const QSqlDatabase &db, const std::vector<Movement> &movements)
{
    Transaction transaction(db);
    RunSql(db, QStringLiteral("DELETE FROM Pagos"));
    QSqlQuery insert = Prepare(db, QStringLiteral("INSERT INTO Pagos (Fecha, Importe, Tipo) VALUES (?, ?, ?)"));
    for (const Movement &m : movements) {
        insert.bindValue(0, DateToIso(m.date));
        insert.bindValue(1, m.amount);
        insert.bindValue(2, KindValue(m));
        Exec(insert);
    }
    transaction.commit();
}

std::vector<QDate> PeriodicDates(const PeriodicSeries &series)
{
    std::vector<QDate> dates;
    int month = series.month;
    int year = series.year;
    for (int i = 0; i < series.count; ++i) {
        dates.push_back(SeriesDate(series, year, month));
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    return dates;
}

std::optional<PeriodicRefusal> PeriodicSeriesRefusal(const PeriodicSeries &series)
{
    if (const auto refusal = MovementAmountRefusal(series.amount))
        return PeriodicRefusal{*refusal, true};
    const std::vector<QDate> dates = PeriodicDates(series);
    if (!dates.empty()) {
        if (const auto refusal = MovementDateRefusal(dates.back()))
            return PeriodicRefusal{*refusal, false};
    }
    return std::nullopt;
}

PeriodicOutcome AddPeriodicMovements(const QSqlDatabase &db, const PeriodicSeries &series)
{
    PeriodicOutcome outcome;
    const QString kind = series.kind == EntryKind ? EntryKind : PaymentKind;
    const std::vector<QDate> dates = PeriodicDates(series);
    // Adding onto a movement must not take it past the amount limit: checked before any is
    // posted, so a refused series leaves the movements as they were.
    for (const QDate &date : dates) {
        const QVariant held = Scalar(db, QStringLiteral("SELECT Importe FROM Pagos WHERE Fecha = ? AND Tipo = ?"),
                                     {DateToIso(date), kind});
        if (held.isValid() && !AmountInRange(held.toDouble() + series.amount))
            throw AppError(AmountTooLargeMessage());
    }
    for (const QDate &date : dates) {
        const QString iso = DateToIso(date);
        QSqlQuery add = RunSql(db, QStringLiteral("UPDATE Pagos SET Importe = Importe + ? WHERE Fecha = ? AND Tipo = ?"),
                               {series.amount, iso, kind});
        if (add.numRowsAffected() == 0) {
            try {
                AddWorkingMovement(db, {date, series.amount, kind});
            } catch (const StoreError &e) {
                if (e.code() != StoreCode::KeyViolation)
                    throw;
                outcome.refusedAt = date;
                return outcome;
            }
        }
        ++outcome.posted;
    }
    return outcome;
}
