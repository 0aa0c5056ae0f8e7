#pragma once

#include "core/errors.h"
#include "interest/settlement_engine.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

// The settlement case in JSON, as devenix-cli reads and writes it:
//
//   {"Capital": 10000, "Desde1": "01/01/2021", "Hasta1": "31/12/2021",
//    "ConSentencia": false, "Hasta2": "31/12/2022",
//    "TipoInteres1": "Interés Legal", "TipoInteres2": 1, "Interes1": "0", "Interes2": "3,5",
//    "InteAcumu": false, "CalculoDetallado": false, "ImputarPagos": false, "Moneda": "Eur",
//    "Pagos": [{"Fecha": "30/06/2021", "Importe": 1000, "Tipo": "P"}],
//    "Tipos": [{"Desde": "01/01/2021", "Hasta": "31/12/2021", "InteLega": 3, "InteJudi": 3.75, "InteAdmi": 3.75}]}
//
// Types are item texts or indexes 0..5; agreed rates are texts with the decimal comma. Absent
// booleans are false, absent texts empty; "Moneda" defaults to "Eur", "Tipo" of a movement to
// "P". Keys not listed are ignored, so other commands may add their own.
//
// Numbers are written in the shortest form that reads back to the same double.

struct SettlementCase
{
    SettlementInput input;
    std::optional<std::vector<RatePeriod>> rates; // "Tipos", in ascending Desde

    bool operator==(const SettlementCase &) const = default;
};

// A case that cannot be read; the message says what is wrong and where.
class CaseError : public AppError
{
public:
    using AppError::AppError;
};

// Reads a case. Throws CaseError for text that is not a JSON object, a field of the wrong
// kind, a date that is not a date, an unknown interest type or currency, an agreed rate that is
// not a number where "Interés Pactado" needs it, two movements on one date, a principal or a
// movement that settlement_checks.h refuses (negative or too large principal, amount of 0 or
// less or too large, date after 31/12/2099), and rate periods
// that the rate table would refuse (the add dialog's checks and ranges).
SettlementCase ParseSettlementCase(const QByteArray &json);

// The case of an input (and, when given, its rate periods as "Tipos"). Types are written as
// item texts.
QByteArray WriteSettlementCase(const SettlementInput &input,
                               const std::optional<std::vector<RatePeriod>> &rates = std::nullopt);

// {"Filas": [{"Desde", "Hasta", "DIAS", "Capital", "Interes", "Total"}...], "TotalInterest",
// "TotalPayments", "TotalEntries", "GrandTotal", "Textos": {"LabelCAPITAL", ...}, "Mensajes"}.
// Throws AppError when an amount is not finite.
QByteArray WriteSettlementResult(const SettlementInput &input, const SettlementResult &result);
// The same handed to `sink` in pieces of some 64 KiB (each valid during its call), so that
// decades of daily rows are never held twice. Throws before the first piece.
void WriteSettlementResult(const SettlementInput &input, const SettlementResult &result,
                           const std::function<void(const QByteArray &)> &sink);

// Shortest text that reads back to the same double. Throws AppError for a value that is not
// finite (JSON has no text for it).
QByteArray JsonNumber(double value);
// A JSON string literal (quotes included) of a text.
QByteArray JsonString(const QString &text);
