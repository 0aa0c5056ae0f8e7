#pragma once

#include "interest/settlement_types.h"

#include <QDate>
#include <QString>

#include <optional>

// What a user may type into a settlement: refused where it is typed (input window, periodic
// movements, devenix-cli), before anything is computed or stored. Each check gives the
// Spanish message of the refusal, or nullopt.

inline const QString NegativePrincipalMessage = QStringLiteral("El capital inicial no puede ser negativo.");
inline const QString NotPositiveAmountMessage = QStringLiteral("El importe debe ser mayor que cero.");
inline const QString DateTooLateMessage = QStringLiteral("La fecha debe ser anterior al 01/01/2100.");

// The first day no movement may fall on: the engine counts movements up to 31/12/2099 only,
// so a later one (2100 typed for 2010) would silently count nowhere.
inline const QDate kFirstRefusedMovementDay(2100, 1, 1);

// Negative, or above the amount limit.
std::optional<QString> PrincipalRefusal(double principal);
// Zero or less, or above the amount limit.
std::optional<QString> MovementAmountRefusal(double amount);
// On or after 01/01/2100.
std::optional<QString> MovementDateRefusal(const QDate &date);
// The date's refusal first, then the amount's.
std::optional<QString> MovementRefusal(const Movement &movement);
// The principal, then each movement in date order.
std::optional<QString> SettlementInputRefusal(const SettlementInput &input);
