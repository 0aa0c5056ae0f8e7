#pragma once

#include "interest/settlement_types.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <vector>

// The rate table "Interes" of the main database: periods within one calendar year, none
// overlapping another, read in ascending Desde. Stored dates are ISO text; the key is Desde.

inline const QString RateTableName = QStringLiteral("Interes");

// Why a new period is refused, in the order the add dialog checks.
enum class RatePeriodCheck {
    Accepted,
    EndBeforeStart,   // Hasta < Desde
    YearsDiffer,      // not in one calendar year
    StartInside,      // Desde lies inside an existing period
    EndInside,        // Hasta lies inside an existing period
    EnclosesExisting  // an existing period lies wholly inside the new one
};

// "La fecha final es inferior a la fecha inicial.", "El año de la fecha final no coincide con
// el año de la fecha inicial.", "La fecha inicial ya está incluida en un período de intereses."
// (for either date inside a period), "El período introducido incluye un período de intereses
// ya existente."; empty for Accepted.
QString RatePeriodCheckMessage(RatePeriodCheck check);

// The checks of a new period desde..hasta against the existing ones, in order.
RatePeriodCheck CheckNewRatePeriod(const std::vector<RatePeriod> &existing, const QDate &desde, const QDate &hasta);

// InteLega and InteJudi must lie within 0..100 (InteAdmi has no range). Throws AppError
// naming the rate ("El Interés Legal debe estar entre 0 y 100.").
void CheckRateRanges(double inteLega, double inteJudi);

// Every period, in ascending Desde. Throws StoreError.
std::vector<RatePeriod> LoadRatePeriods(const QSqlDatabase &db);
// Whether a period starting on `desde` is stored.
bool RatePeriodExists(const QSqlDatabase &db, const QDate &desde);
// Checks the new period against the table as it stands (in one transaction, so two programs
// adding at once cannot overlap) and its rates' ranges, then stores it. Returns the refusal,
// or Accepted when stored. Throws AppError for a rate out of range, StoreError otherwise.
RatePeriodCheck AddRatePeriod(const QSqlDatabase &db, const RatePeriod &period);
// New rates for the period starting on `desde` (its dates never change). Throws AppError for a
// rate out of range, StoreError(DeletedByOther) when the period is gone.
void UpdateRatePeriodRates(const QSqlDatabase &db, const QDate &desde, double inteLega, double inteJudi,
                           double inteAdmi);
void DeleteRatePeriod(const QSqlDatabase &db, const QDate &desde);

// Lock key of a period (its Desde in storage form).
QString RatePeriodKey(const QDate &desde);
