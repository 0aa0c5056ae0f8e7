#pragma once

#include "interest/settlement_types.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

// The working movements of the settlement being prepared: the private table "Pagos" of the
// Devenix connection (DataStore::WorkingMovementsTable), one movement per date whatever its
// kind. Dates are stored as ISO text. Failures throw StoreError; a date already taken gives
// StoreCode::KeyViolation.

inline const QString PaymentKind = QStringLiteral("P");
inline const QString EntryKind = QStringLiteral("E");

inline const QString DuplicateMovementMessage = QStringLiteral("Ya existe un pago o un entrada con esa fecha.");

// Both kinds, in ascending date.
std::vector<Movement> LoadWorkingMovements(const QSqlDatabase &db);
// How many movements of one kind ("P" or "E") there are.
int CountWorkingMovements(const QSqlDatabase &db, const QString &kind);

void AddWorkingMovement(const QSqlDatabase &db, const Movement &movement);
// Replaces the movement dated `oldDate` (its date may change). Throws
// StoreError(DeletedByOther) when there is none.
void UpdateWorkingMovement(const QSqlDatabase &db, const QDate &oldDate, const Movement &movement);
void DeleteWorkingMovement(const QSqlDatabase &db, const QDate &date);
// Every movement of one kind; the other kind stays.
void DeleteWorkingMovementsOfKind(const QSqlDatabase &db, const QString &kind);
// The movements become exactly `movements`, all or nothing.
void ReplaceWorkingMovements(const QSqlDatabase &db, const std::vector<Movement> &movements);

// A series of monthly movements ("Pagos Periódicos", "Entrada Periódica").
struct PeriodicSeries
{
    enum class Day { First, Last, Fifteenth, Number };

    int count = 1;        // 1..1000
    int month = 1;        // of the first movement, 1..12
    int year = 2000;      // of the first movement
    Day day = Day::Number;
    int dayNumber = 1;    // with Day::Number
    double amount = 0.0;
    QString kind = PaymentKind;
};

// The date of each movement of the series: day 1, the month's last day, day 15, or day d
// (the month's last day when d/m/y is not a date), month after month.
std::vector<QDate> PeriodicDates(const PeriodicSeries &series);

// Why a series cannot be posted: its amount is 0 or less or too large (onAmount), or its
// last movement would fall after 31/12/2099.
struct PeriodicRefusal
{
    QString message;
    bool onAmount = false;
};
std::optional<PeriodicRefusal> PeriodicSeriesRefusal(const PeriodicSeries &series);

struct PeriodicOutcome
{
    int posted = 0;
    std::optional<QDate> refusedAt; // the date that already held a movement of the other kind
};

// Posts the series one movement at a time: a date that holds a movement of the same kind gets
// the amount added; a date held by the other kind ends the series there, the earlier ones
// staying posted.
PeriodicOutcome AddPeriodicMovements(const QSqlDatabase &db, const PeriodicSeries &series);
