#include "interest/rate_table.h"

#include "core/date_text.h"
#include "core/errors.h"
#include "store/sql.h"

#include <algorithm>

namespace {

bool Inside(const RatePeriod &period, const QDate &day)
{
    return period.desde <= day && period.hasta >= day;
}

void CheckRange(double rate, const QString &name)
{
    if (!(rate >= 0.0 && rate <= 100.0))
        throw AppError(QStringLiteral("El %1 debe estar entre 0 y 100.").arg(name));
}

} // namespace

QString RatePeriodCheckMessage(RatePeriodCheck check)
{
    switch (check) {
    case RatePeriodCheck::Accepted:
        return {};
    case RatePeriodCheck::EndBeforeStart:
        return QStringLiteral("La fecha final es inferior a la fecha inicial.");
    case RatePeriodCheck::YearsDiffer:
        return QStringLiteral("El año de la fecha final no coincide con el año de la fecha inicial.");
    case RatePeriodCheck::StartInside:
    case RatePeriodCheck::EndInside:
        return QStringLiteral("La fecha inicial ya está incluida en un período de intereses.");
    case RatePeriodCheck::EnclosesExisting:
        return QStringLiteral("El período introducido incluye un período de intereses ya existente.");
    }
    return {};
}

RatePeriodCheck CheckNewRatePeriod(const std::vector<RatePeriod> &existing, const QDate &desde, const QDate &hasta)
{
    if (hasta < desde)
        return RatePeriodCheck::EndBeforeStart;
    if (hasta.year() != desde.year())
        return RatePeriodCheck::YearsDiffer;
    const auto any = [&existing](const auto &test) { return std::any_of(existing.begin(), existing.end(), test); };
    if (any([&](const RatePeriod &p) { return Inside(p, desde); }))
        return RatePeriodCheck::StartInside;
    if (any([&](const RatePeriod &p) { return Inside(p, hasta); }))
        return RatePeriodCheck::EndInside;
    // Neither date lies inside a period, yet the new one may still swallow a whole period.
    if (any([&](const RatePeriod &p) { return p.desde >= desde && p.hasta <= hasta; }))
        return RatePeriodCheck::EnclosesExisting;
    return RatePeriodCheck::Accepted;
}

void CheckRateRanges(double inteLega, double inteJudi)
{
    CheckRange(inteLega, QStringLiteral("Interés Legal"));
    CheckRange(inteJudi, QStringLiteral("Interés Judicial"));
}

std::vector<RatePeriod> LoadRatePeriods(const QSqlDatabase &db)
{
    QSqlQuery q = RunSql(db, QStringLiteral("SELECT Desde, Hasta, InteLega, InteJudi, InteAdmi FROM Interes"
                                            " ORDER BY Desde"));
    std::vector<RatePeriod> periods;
    while (q.next()) {
        periods.push_back({DateFromIso(q.value(0).toString()), DateFromIso(q.value(1).toString()),
                           q.value(2).toDouble(), q.value(3).toDouble(), q.value(4).toDouble()});
    }
    return periods;
}

bool RatePeriodExists(const QSqlDatabase &db, const QDate &desde)
{
    return Scalar(db, QStringLiteral("SELECT 1 FROM Interes WHERE Desde = ?"), {DateToIso(desde)}).isValid();
}

RatePeriodCheck AddRatePeriod(const QSqlDatabase &db, const RatePeriod &period)
{
    Transaction transaction(db);
    const RatePeriodCheck check = CheckNewRatePeriod(LoadRatePeriods(db), period.desde, period.hasta);
    if (check != RatePeriodCheck::Accepted)
        return check;
    CheckRateRanges(period.inteLega, period.inteJudi);
    RunSql(db, QStringLiteral("INSERT INTO Interes (Desde, Hasta, InteLega, InteJudi, InteAdmi) VALUES (?, ?, ?, ?, ?)"),
           {DateToIso(period.desde), DateToIso(period.hasta), period.inteLega, period.inteJudi, period.inteAdmi});
    transaction.commit();
    return RatePeriodCheck::Accepted;
}

void UpdateRatePeriodRates(const QSqlDatabase &db, const QDate &desde, double inteLega, double inteJudi,
                           double inteAdmi)
{
    CheckRateRanges(inteLega, inteJudi);
    QSqlQuery q = RunSql(db, QStringLiteral("UPDATE Interes SET InteLega = ?, InteJudi = ?, InteAdmi = ? WHERE Desde = ?"),
                         {inteLega, inteJudi, inteAdmi, DateToIso(desde)});
    if (q.numRowsAffected() == 0)
        throw StoreError(StoreCode::DeletedByOther, QStringLiteral("El registro ha sido eliminado por otro usuario."));
}

void DeleteRatePeriod(const QSqlDatabase &db, const QDate &desde)
{
    RunSql(db, QStringLiteral("DELETE FROM Interes WHERE Desde = ?"), {DateToIso(desde)});
}

QString RatePeriodKey(const QDate &desde)
{
    return DateToIso(desde);
}
